// All state shared between the program's modules, in one place, grouped by the subsystem that
// owns it. Everything runs on the user-interface thread, so none of it is locked.
#pragma once

#include "base/shared_types.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// ---- Application core: paths, frame buffers, connection flags, trace switch, working window
extern QString g_strAppPath; // the executable's folder, always ending in the path separator
extern QString g_strIniFile; // g_strAppPath + executable base name + ".ini"
extern std::array<FrameBuffer, 2> g_PreviewBuf;
extern FrameBuffer g_ThumbBuf;
extern bool g_blnCmdOpen;
extern bool g_blnDataOpen;
extern bool g_blnLinkOpen;        // both links up: the only gate for queueing commands
extern QString g_strConnectStage; // "tcpc-c", "tcpc-d" or empty
extern bool g_blnMsgBoxOpen;
extern bool g_blnLostDuringMsgBox;
extern std::array<uint8_t, 4> g_bytClientIP;
extern bool g_blnDebug;
extern int32_t g_lngViewMode; // 0 main, 1 record console, 2 thumbnails, 3 player, 4 preview

// ---- Command channel
extern std::array<CommandEntry, kCmdQueueSlots> g_CmdQueue;
extern int16_t g_intQueueRead;
extern int16_t g_intQueueWrite;
extern bool g_blnCmdBusy;
extern int32_t g_lngCurCmd;
extern QStringList g_strReplyLines; // element 0 stays empty; continuation lines from 1 on
extern int16_t g_intReplyLineCount;
extern bool g_blnCollectLines;

// ---- Camera settings, filled from replies ("New" twins carry the value being sent)
extern int32_t g_lngAnalogGain, g_lngAnalogGainNew;
extern int32_t g_lngMemSize;
extern int32_t g_lngGain, g_lngGainNew;
extern GammaSetting g_Gamma, g_GammaNew;
extern int32_t g_lngCamMode; // 0 "REC", 1 "LIVE"
extern int32_t g_lngSyncMode, g_lngSyncModeNew;
extern std::array<RegionCount, 4> g_RegionFrames;
extern std::array<int32_t, 4> g_lngTrigPos;
extern int32_t g_lngDataState; // 0 nothing recorded, 1 more can be recorded, 2 complete
extern int32_t g_lngRunState;  // 0 idle, 1 recording, 3 live output
extern RecordMode g_RecMode, g_RecModeNew;
extern WhiteBalance g_WB, g_WBNew;
extern std::array<UserWhiteBalance, 2> g_UserWB;
extern std::array<uint8_t, 4> g_bytCamIP, g_bytCamIPNew;
extern uint8_t g_bytCamMaskBits, g_bytCamMaskBitsNew;
extern std::array<uint8_t, 4> g_bytCamGateway, g_bytCamGatewayNew;
extern std::array<int16_t, 6> g_intVersion;
extern bool g_blnRecSetupOpen;
extern bool g_blnTimeDialogPending;

// ---- Data-port receiver and downloads
extern int32_t g_lngDataMode; // 0 nothing, 1 live frames, 2 download, 3 single frame
extern int16_t g_intRecvBuf, g_intShowBuf;
extern int32_t g_lngFrameSize, g_lngFrameFill;
extern int32_t g_lngThumbSize, g_lngThumbFill;
extern bool g_blnThumbFirst, g_blnThumbHeader, g_blnThumbDataWait, g_blnThumbReplyWait;
extern bool g_blnFileFirst, g_blnDlDataWait, g_blnDlReplyWait;
extern int32_t g_lngDlInfo, g_lngDlSize, g_lngFilePos;
extern QString g_strSaveFile;
extern int32_t g_lngTrigOffset;
extern int16_t g_intIDNumber;
extern std::array<ThumbEntry, 16> g_ThumbTable;
extern int32_t g_intLastThumb;
extern int32_t g_lngPreviewState;

// Puts the camera settings back to the values they have before any reply arrived.
void ResetCameraSettings();
