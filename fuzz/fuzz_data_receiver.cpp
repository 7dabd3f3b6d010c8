// The data-port receiver: live output, single frames and downloads started through their real
// commands, chunks of any cut and content interleaved with reply lines, chunks that arrive while a
// window is drawing (held) and chunks lost to a full hold. After every step: no frame filled past
// its size, no data file longer than its headers and the largest byte count any reply announced.
#include "base/frame_buffers.h"
#include "base/shared_state.h"
#include "fuzz/fuzz_support.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"
#include "transfer/data_receiver.h"
#include "transfer/held_data.h"
#include "transfer/transfer_install.h"
#include "zrk_data_file.h"

#include <QFile>
#include <algorithm>
#include <sys/stat.h>

namespace {

QByteArray g_nested;       // a chunk the link delivers while a window draws
bool g_keepBuffer = false; // the live display holds its buffer
int g_nestedCalls = 0;

void DeliverNested() {
    if (g_nested.isEmpty() || ++g_nestedCalls > 4) return;
    const QByteArray chunk = std::exchange(g_nested, QByteArray());
    RecvImageData(chunk.constData(), static_cast<int32_t>(chunk.size()));
}

class FuzzHooks final : public WindowHooks {
public:
    void EndDownload() override { ::EndDownload(); }
    void EndThumbNail() override { ::EndThumbNail(); }
    void ShowLiveImage() override {
        if (g_intShowBuf == g_intRecvBuf || !g_PreviewBuf[g_intShowBuf].inUse) return;
        DeliverNested();
        if (g_keepBuffer) return;
        g_PreviewBuf[g_intShowBuf].inUse = 0;
        IncWrap(g_intShowBuf, 0, 1);
    }
    void DrawThumbNail(int32_t) override { DeliverNested(); }
    void DrawPreviewFrame() override { DeliverNested(); }
};

FuzzHooks g_hooks;
QString g_file;
int64_t g_announced = 0; // the largest number in any reply line of this input

void Reply(const QString& line) {
    // Every run of digits counts, whatever the handler makes of the line: a sound upper bound.
    int64_t value = -1;
    for (QChar c : line + u' ') {
        if (c >= u'0' && c <= u'9') {
            value =
                std::min<int64_t>(std::max<int64_t>(value, 0) * 10 + (c.unicode() - u'0'), INT64_C(1) << 40);
        } else if (value >= 0) {
            g_announced = std::max(g_announced, value);
            value = -1;
        }
    }
    DispatchReply(line);
}

void Chunk(const QByteArray& bytes) {
    if (!bytes.isEmpty()) RecvImageData(bytes.constData(), static_cast<int32_t>(bytes.size()));
}

// A chunk: input bytes, or a frame start with a filler of any length up to a few records.
QByteArray MakeChunk(fuzz::Input& in) {
    const uint8_t kind = in.Byte();
    if (kind % 4 != 0) return in.Bytes(1 + in.Number(2));
    QByteArray chunk = (kind & 4) ? QByteArray("ZRK", 4) : QByteArray();
    chunk += in.Bytes(in.Byte());
    chunk.resize(std::max<qsizetype>(chunk.size(), in.Number(3) % (3 * kFrameRecordMax)), '\x5a');
    return chunk;
}

// One chunk more than the hold takes: made once, shared after.
const QByteArray& Oversized() {
    static const QByteArray chunk(held::kCapacity + 1, '\0');
    return chunk;
}

QString CannedLine(fuzz::Input& in) {
    switch (in.Byte() % 8) {
    case 0:
        return QStringLiteral("150 %1 %2").arg(in.Number(2)).arg(in.Number(4) % (4 * kFrameRecordMax));
    case 1:
        return QStringLiteral("150 Opening data connection");
    case 2:
        return QStringLiteral("226 Transfer complete");
    case 3:
        return QStringLiteral("200 Live output started");
    case 4:
        return QStringLiteral("200 Live output stopped");
    case 5:
        return QStringLiteral("426 Transfer aborted");
    case 6:
        return QStringLiteral("550 No data");
    default:
        return QString::fromLatin1(in.Bytes(in.Byte()));
    }
}

DownloadRequest MakeRequest(fuzz::Input& in) {
    return DownloadRequest{static_cast<int32_t>(in.Byte() % 5), static_cast<int32_t>(in.Number(2)),
                           static_cast<int32_t>(in.Number(2))};
}

void Check() {
    if (g_lngFrameFill < 0 || g_lngFrameSize < 0 || g_lngFrameSize > kFrameRecordMax ||
        g_lngFrameFill > std::max(g_lngFrameSize, 0))
        fuzz::Fail("live frame filled past its size");
    if (g_lngThumbFill < 0 || g_lngThumbFill > kFrameRecordMax)
        fuzz::Fail("single frame filled past a record");
    if (g_lngDataMode < 0 || g_lngDataMode > 3) fuzz::Fail("data mode out of range");
    struct stat st {};
    if (::stat(QFile::encodeName(g_file).constData(), &st) == 0 &&
        st.st_size > ZRK_DATA_OFFSET + std::max<int64_t>(g_announced, 0))
        fuzz::Fail("data file longer than announced");
}

void Step(fuzz::Input& in) {
    switch (in.Byte() % 12) {
    case 0: // live output
        SendLVST();
        Reply(QStringLiteral("200 Live output started"));
        break;
    case 1:
        SendLVSP();
        break;
    case 2: // a thumbnail or the preview frame
        g_lngViewMode = (in.Byte() & 1) ? 4 : 2;
        SendThumbnailRQDL(in.Byte() % 17, MakeRequest(in), 0);
        break;
    case 3: // a download into the data file
        g_strSaveFile = g_file;
        g_intIDNumber = static_cast<int16_t>(in.Number(2));
        g_lngTrigOffset = static_cast<int32_t>(in.Number(2));
        SendRQDL(MakeRequest(in));
        break;
    case 4:
    case 5:
    case 6:
        Chunk(MakeChunk(in));
        break;
    case 7: // cut a run of input into chunks of one fixed size
    {
        const int size = 1 + in.Byte();
        const QByteArray run = in.Bytes(in.Number(2));
        for (qsizetype at = 0; at < run.size(); at += size)
            Chunk(run.mid(at, size));
        break;
    }
    case 8:
        Reply(CannedLine(in));
        break;
    case 9: // the next draw sees a chunk come in, or one too large for the hold (lost)
        g_nested = (in.Byte() & 1) ? Oversized() : MakeChunk(in);
        g_nestedCalls = 0;
        break;
    case 10:
        g_keepBuffer = !g_keepBuffer;
        if (!g_keepBuffer)
            for (FrameBuffer& b : g_PreviewBuf)
                b.inUse = 0;
        break;
    default:
        if (in.Byte() & 1)
            AbortTransfer();
        else
            g_RecMode.ImageSize = static_cast<int32_t>(in.Byte() % 10) - 1; // some unknown
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        g_file = fuzz::Start() + QStringLiteral("take.dat");
        return AllocPreviewBuffers() && AllocThumbnailBuffer();
    }();
    if (!ready) fuzz::Fail("no frame buffers");
    ResetCameraSettings();
    ResetCommandChannel();
    InstallReplyHandlers();
    InstallTransfer();
    SetHooks(&g_hooks);
    AbortTransfer();
    g_blnLinkOpen = true;
    g_strConnectStage.clear();
    g_lngViewMode = 2;
    g_lngRunState = 0;
    g_RecMode.ImageSize = 0;
    g_intLastThumb = 15;
    g_lngPreviewState = 3;
    g_nested.clear();
    g_keepBuffer = false;
    g_announced = 0;
    QFile::remove(g_file);

    fuzz::Input in(data, size);
    for (int steps = 0; !in.Empty() && steps < 256; ++steps) {
        Step(in);
        Check();
    }
    AbortTransfer();
    Check();
    return 0;
}
