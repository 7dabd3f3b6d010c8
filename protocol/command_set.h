// Every command line the program sends. A sender does nothing while the links are down;
// otherwise it builds its line and queues it under its identity. Replies come back later to
// the handler of that identity.
#pragma once

#include "base/shared_types.h"

#include <QString>
#include <array>
#include <cstdint>

// Plain commands: the keyword alone ("TRIG " keeps its trailing blank).
void SendTRIG();
void RequestANIG();
void SendBKUP();
void RequestDRAM();
void RequestGAIN();
void RequestGAMM();
void SendLVST();
void SendLVSP();
void RequestMODE();
void RequestNPIC();
void RequestPTRG();
void SendRACL();
void SendRCST();
void SendRCSP();
void RequestRMOD();
void RequestSMOD();
void RequestSTAT();
void RequestSTGW();
void RequestSTIP();
void RequestTIME();

// Commands with arguments.
void SendANIG(int32_t code);
void SendGAIN(int32_t code);
void SendGAMM(const GammaSetting& gamma);
void SendMODE(int32_t mode); // 0 "MODE REC", 1 "MODE LIVE"; other values are refused
void SendRMOD(const RecordMode& mode);
void SendRQDL(const DownloadRequest& request);
void SendThumbnailRQDL(int32_t slot, const DownloadRequest& request, int16_t extra);
void SendRSTR(const QString& backup);
void SendSMOD(int32_t code);
void SendSTGW(const std::array<uint8_t, 4>& gateway);
// What "STIP" with parameters carries to its reply.
struct SentAddress {
    std::array<uint8_t, 4> Address{};
    uint8_t MaskBits = 0;
};
void SendSTIP(const std::array<uint8_t, 4>& address, uint8_t maskBits);
void SendTIME(const QString& dateTime); // "yyyy mm dd hh nn ss"
void RequestVERS(int32_t part);         // 0 CODE, 1 MAIN, 2 FPGA; other values are refused
void RequestWBPR(int32_t preset);       // 6 or 7: that user preset; else the current balance
void SendWBPR(const WhiteBalance& wb);

// The seven numbers of an "RMOD" set line, as the camera reads them.
QString RecordModeParameters(const RecordMode& mode);
