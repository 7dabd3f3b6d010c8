// The identity every queued command carries; the reply goes to the handler of that identity.
#pragma once

#include <cstdint>

namespace CommandId {
enum : int32_t {
    ANIG_Get = 1,
    ANIG_Set = 2,
    BKUP = 3,
    DRAM = 4,
    GAIN_Get = 5,
    GAIN_Set = 6,
    GAMM_Get = 7,
    GAMM_Set = 8,
    LVST = 9,
    LVSP = 10,
    MODE_Get = 11,
    MODE_Set = 12,
    NPIC = 13,
    PTRG = 14,
    RACL = 15,
    RCST = 16,
    RCSP = 17,
    RMOD_Get = 18,
    RMOD_Set = 19,
    RQDL = 20,
    RSTR = 21,
    SMOD_Get = 22,
    SMOD_Set = 23,
    STAT = 24,
    STGW_Get = 25,
    STGW_Set = 26,
    STIP_Get = 27,
    STIP_Set = 28,
    TIME_Set = 29,
    TIME_Get = 30,
    TRIG = 31,
    VERS_CODE = 32,
    VERS_MAIN = 33,
    VERS_FPGA = 34,
    WBPR_Get = 35,
    WBPR_Set = 36,
    ThumbFirst = 37, // 37 + slot, slots 0..15 thumbnails, 16 the preview window's frame
    PreviewFrame = 53,
    Last = 53,
};
}

inline bool IsDownloadCommand(int32_t id) {
    return id == CommandId::RQDL || (id >= CommandId::ThumbFirst && id <= CommandId::PreviewFrame);
}
