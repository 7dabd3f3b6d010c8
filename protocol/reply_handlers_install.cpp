#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/reply_handlers.h"

void InstallReplyHandlers() {
    using namespace CommandId;
    auto& table = ReplyHandlers();
    const auto set = [&table](int32_t id, void (*handler)(const QString&)) {
        table[static_cast<std::size_t>(id)] = handler;
    };
    set(ANIG_Get, OnReplyANIG);
    set(ANIG_Set, OnReplyANIG);
    set(BKUP, OnReplyBKUP);
    set(DRAM, OnReplyDRAM);
    set(GAIN_Get, OnReplyGAIN);
    set(GAIN_Set, OnReplyGAIN);
    set(GAMM_Get, OnReplyGAMM);
    set(GAMM_Set, OnReplyGAMM);
    set(LVST, OnReplyLVST);
    set(LVSP, OnReplyLVSP);
    set(MODE_Get, OnReplyMODE);
    set(MODE_Set, OnReplyMODE);
    set(NPIC, OnReplyNPIC);
    set(PTRG, OnReplyPTRG);
    set(RACL, OnReplyRACL);
    set(RCST, OnReplyRCST);
    set(RCSP, OnReplyRCSP);
    set(RMOD_Get, OnReplyRMOD);
    set(RMOD_Set, OnReplyRMODSet);
    set(RQDL, OnReplyRQDL);
    set(RSTR, OnReplyRSTR);
    set(SMOD_Get, OnReplySMOD);
    set(SMOD_Set, OnReplySMOD);
    set(STAT, OnReplySTAT);
    set(STGW_Get, OnReplySTGW);
    set(STGW_Set, OnReplySTGWSet);
    set(STIP_Get, OnReplySTIP);
    set(STIP_Set, OnReplySTIPSet);
    set(TIME_Set, OnReplyTIME);
    set(TIME_Get, OnReplyTIME);
    set(TRIG, OnReplyTRIG);
    set(VERS_CODE, OnReplyVERS);
    set(VERS_MAIN, OnReplyVERS);
    set(VERS_FPGA, OnReplyVERS);
    set(WBPR_Get, OnReplyWBPR);
    set(WBPR_Set, OnReplyWBPR);
    for (int32_t id = ThumbFirst; id <= PreviewFrame; ++id)
        set(id, OnReplyThumbnailRQDL);
}
