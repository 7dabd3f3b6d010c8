#include "base/shared_state.h"

QString g_strAppPath;
QString g_strIniFile;
std::array<FrameBuffer, 2> g_PreviewBuf;
FrameBuffer g_ThumbBuf;
bool g_blnCmdOpen = false;
bool g_blnDataOpen = false;
bool g_blnLinkOpen = false;
QString g_strConnectStage;
bool g_blnMsgBoxOpen = false;
bool g_blnLostDuringMsgBox = false;
std::array<uint8_t, 4> g_bytClientIP{};
bool g_blnDebug = false;
int32_t g_lngViewMode = 0;

std::array<CommandEntry, kCmdQueueSlots> g_CmdQueue;
int16_t g_intQueueRead = 0;
int16_t g_intQueueWrite = 0;
bool g_blnCmdBusy = false;
int32_t g_lngCurCmd = 0;
QStringList g_strReplyLines{QString()};
int16_t g_intReplyLineCount = 0;
bool g_blnCollectLines = false;

int32_t g_lngAnalogGain = 0, g_lngAnalogGainNew = 0;
int32_t g_lngMemSize = 0;
int32_t g_lngGain = 0, g_lngGainNew = 0;
GammaSetting g_Gamma, g_GammaNew;
int32_t g_lngCamMode = 0;
int32_t g_lngSyncMode = 0, g_lngSyncModeNew = 0;
std::array<RegionCount, 4> g_RegionFrames{};
std::array<int32_t, 4> g_lngTrigPos{-1, -1, -1, -1};
int32_t g_lngDataState = 0;
int32_t g_lngRunState = 0;
RecordMode g_RecMode, g_RecModeNew;
WhiteBalance g_WB, g_WBNew;
std::array<UserWhiteBalance, 2> g_UserWB{};
std::array<uint8_t, 4> g_bytCamIP{192, 168, 0, 2}, g_bytCamIPNew{};
uint8_t g_bytCamMaskBits = 0, g_bytCamMaskBitsNew = 0;
std::array<uint8_t, 4> g_bytCamGateway{192, 168, 0, 1}, g_bytCamGatewayNew{};
std::array<int16_t, 6> g_intVersion{};
bool g_blnRecSetupOpen = false;
bool g_blnTimeDialogPending = false;

int32_t g_lngDataMode = 0;
int16_t g_intRecvBuf = 0, g_intShowBuf = 0;
int32_t g_lngFrameSize = 0, g_lngFrameFill = 0;
int32_t g_lngThumbSize = 0, g_lngThumbFill = 0;
bool g_blnThumbFirst = false, g_blnThumbHeader = false, g_blnThumbDataWait = false,
     g_blnThumbReplyWait = false;
bool g_blnFileFirst = false, g_blnDlDataWait = false, g_blnDlReplyWait = false;
int32_t g_lngDlInfo = 0, g_lngDlSize = 0, g_lngFilePos = 0;
QString g_strSaveFile;
int32_t g_lngTrigOffset = -1;
int16_t g_intIDNumber = 0;
std::array<ThumbEntry, 16> g_ThumbTable{};
int32_t g_intLastThumb = 0;
int32_t g_lngPreviewState = 0;

void ResetCameraSettings() {
    g_lngAnalogGain = 0;
    g_lngMemSize = 0;
    g_lngGain = 0;
    g_Gamma = GammaSetting{0, 100};
    g_lngCamMode = 0;
    g_lngSyncMode = 0;
    g_RegionFrames.fill(RegionCount{});
    g_lngTrigPos.fill(-1);
    g_RecMode = RecordMode{0, 6, 0, 0, 0, 0, 0, 3, 2, 0};
    g_UserWB.fill(UserWhiteBalance{128, 128, 128});
    g_WB = WhiteBalance{6, g_UserWB[0].Red, g_UserWB[0].Green, g_UserWB[0].Blue};
    g_bytCamIP = {192, 168, 0, 2}; // the mask bits keep their value
    g_bytCamGateway = {192, 168, 0, 1};
    g_intVersion.fill(0);
}
