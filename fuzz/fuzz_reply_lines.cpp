// The camera's reply lines: any command of the set in flight (with any arguments), any text cut
// anywhere on its way through the command link's line assembly into DispatchReply and the
// handlers' field splitting, the connection stages included. After every step the command ring,
// the collected continuation lines and the assembly buffer stay within their bounds.
#include "base/shared_state.h"
#include "fuzz/fuzz_support.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"
#include "protocol/reply_handlers.h"

#include <QStringList>

namespace {

ReplyAssembler g_assembler;

QString Text(fuzz::Input& in) {
    return QString::fromLatin1(in.Bytes(in.Byte()));
}

int32_t Int(fuzz::Input& in) {
    return static_cast<int32_t>(in.Number(4));
}

// Queues one command (the first goes out at once and takes the replies that follow).
void Send(fuzz::Input& in) {
    using Plain = void (*)();
    static constexpr Plain kPlain[] = {
        SendTRIG,    RequestANIG, SendBKUP,    RequestDRAM, RequestGAIN, RequestGAMM, SendLVST,
        SendLVSP,    RequestMODE, RequestNPIC, RequestPTRG, SendRACL,    SendRCST,    SendRCSP,
        RequestRMOD, RequestSMOD, RequestSTAT, RequestSTGW, RequestSTIP, RequestTIME,
    };
    const uint8_t which = in.Byte() % (std::size(kPlain) + 16);
    if (which < std::size(kPlain)) {
        kPlain[which]();
        return;
    }
    switch (which - std::size(kPlain)) {
    case 0:
        SendANIG(Int(in));
        break;
    case 1:
        SendGAIN(Int(in));
        break;
    case 2:
        SendGAMM(GammaSetting{Int(in), Int(in)});
        break;
    case 3:
        SendMODE(Int(in));
        break;
    case 4: {
        RecordMode m;
        for (int32_t* field : {&m.SpeedMode, &m.RateHigh, &m.RateLow, &m.ImageSize, &m.ShutterHigh,
                               &m.ShutterLow, &m.StrobeDelay, &m.Partition, &m.TrigMode, &m.PostCount})
            *field = static_cast<int8_t>(in.Byte());
        SendRMOD(m);
        break;
    }
    case 5:
        SendRQDL(DownloadRequest{Int(in), Int(in), Int(in)});
        break;
    case 6:
        SendThumbnailRQDL(in.Byte() % 17, DownloadRequest{Int(in), Int(in), Int(in)}, 0);
        break;
    case 7:
        SendRSTR(Text(in));
        break;
    case 8:
        SendSMOD(Int(in));
        break;
    case 9:
        SendSTGW({in.Byte(), in.Byte(), in.Byte(), in.Byte()});
        break;
    case 10:
        SendSTIP({in.Byte(), in.Byte(), in.Byte(), in.Byte()}, in.Byte());
        break;
    case 11:
        SendTIME(Text(in));
        break;
    case 12:
        RequestVERS(in.Byte() % 4);
        break;
    case 13:
        RequestWBPR(in.Byte() % 9);
        break;
    case 14: {
        const int32_t preset = in.Byte() % 9;
        SendWBPR(WhiteBalance{preset, static_cast<int16_t>(in.Number(2)), static_cast<int16_t>(in.Number(2)),
                              static_cast<int16_t>(in.Number(2))});
        break;
    }
    default:
        QueueInitialReadOut();
        break;
    }
}

void Check() {
    if (g_intQueueRead < 0 || g_intQueueRead >= kCmdQueueSlots || g_intQueueWrite < 0 ||
        g_intQueueWrite >= kCmdQueueSlots)
        fuzz::Fail("command ring index out of range");
    if (g_intReplyLineCount < 0 || g_intReplyLineCount > 4096) fuzz::Fail("continuation lines unbounded");
    if (g_assembler.Pending().size() > ReplyAssembler::kMaxLine + 1) fuzz::Fail("line assembly unbounded");
}

void Step(fuzz::Input& in) {
    switch (in.Byte() % 8) {
    case 0:
    case 1:
        Send(in);
        break;
    case 2: // a whole line, CR LF added
        g_assembler.Feed(Text(in) + QStringLiteral("\r\n"));
        break;
    case 3: // text cut anywhere
    case 4:
        g_assembler.Feed(Text(in));
        break;
    case 5: // a reply code and fields, the shape handlers split
    {
        QString line = QString::number(in.Byte() % 6 * 100 + in.Byte() % 60);
        for (int n = in.Byte() % 8; n > 0; --n) {
            line += QChar(in.Byte() & 1 ? u' ' : u',');
            line += QString::number(static_cast<int32_t>(in.Number(4)));
        }
        g_assembler.Feed(line + QStringLiteral("\r\n"));
        break;
    }
    case 6: // continuation lines of a multi-line reply
        for (int n = in.Byte(); n > 0; --n)
            g_assembler.Feed(QStringLiteral("    ") + QString::number(in.Byte()) + QStringLiteral("\r\n"));
        break;
    default:
        switch (in.Byte() % 4) {
        case 0:
            g_strConnectStage = QStringLiteral("tcpc-c");
            break;
        case 1:
            g_strConnectStage = QStringLiteral("tcpc-d");
            break;
        case 2:
            FinishCommand();
            break;
        default:
            g_lngViewMode = in.Byte() % 6;
            break;
        }
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    ResetCameraSettings();
    ResetCommandChannel();
    ClearDeferredReplies();
    InstallReplyHandlers();
    g_assembler.Clear();
    fuzz::Input in(data, size);
    g_blnLinkOpen = true;
    g_strConnectStage.clear();
    g_lngViewMode = in.Byte() % 6;
    g_lngRunState = in.Byte() % 5;
    g_lngDataState = in.Byte() % 4;
    g_lngDataMode = 0;
    for (int steps = 0; !in.Empty() && steps < 512; ++steps) {
        Step(in);
        Check();
    }
    return 0;
}
