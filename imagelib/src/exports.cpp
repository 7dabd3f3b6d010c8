// The library's C entry points: argument checks, frame reading, reconstruction, drawing and files.
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "avi_writer.h"
#include "bitmap_file.h"
#include "draw.h"
#include "frame_file.h"
#include "geometry.h"
#include "kernel_select.h"
#include "reconstruct.h"
#include "workspace.h"
#include "zrkimage.h"

namespace {

using namespace zrk::image;

int32_t fail(int16_t* status, int code) {
    if (status) *status = static_cast<int16_t>(code);
    return 0;
}

void clearStatus(int16_t* status) {
    if (status) *status = ZRK_STATUS_OK;
}

// Sizes travel as 32-bit values of which only the low 16 bits count.
unsigned low16(int32_t v) {
    return static_cast<uint16_t>(v);
}
int16_t low16Signed(int32_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

Sharpen sharpenOf(const ZRK_ENHANCE* e) {
    return e ? Sharpen{e->radius, e->strength} : Sharpen{0, 0};
}

ZRK_FRAME_HEADER headerOf(const uint8_t* record) {
    ZRK_FRAME_HEADER header;
    std::memcpy(&header, record, sizeof header);
    return header;
}

Gains gainsOf(const ZRK_FRAME_HEADER& h) {
    return {limitGain(h.blueGain), limitGain(h.greenGain), limitGain(h.redGain)};
}

Planes planesOf(const Workspace& ws) {
    uint8_t* pixels = ws.bitmap + kBitmapHeaderSize;
    return {ws.red, ws.green, ws.blue, {pixels, pixels + kPlaneBytes, pixels + 2 * kPlaneBytes}};
}

// Reconstructs into the bitmap buffer's pixel area and draws that. Sizes and target already checked.
int reconstructAndDraw(const ZRK_SURFACE& surface, const uint8_t* raw, unsigned w, unsigned h, int16_t dispW,
                       int16_t dispH, Gains gains, unsigned gamma, Sharpen sharpen) {
    const Workspace& ws = workspace();
    uint8_t* pixels = ws.bitmap + kBitmapHeaderSize;
    const RowKernels& kernels = activeKernels();
    reconstructFrame(raw, pixels, w, h, gains, gamma, sharpen, planesOf(ws), kernels);
    // The colour planes are free again: the scaler keeps its tables there.
    const ScaleScratch scratch{redAsWords(ws),       kColourPlaneSize / 2, greenAsWords(ws),
                               kColourPlaneSize / 2, blueAsLongs(ws),      kColourPlaneSize / 4};
    return drawBitmap({pixels, bitmapWidth(w), h, bitmapStride(w)}, surface, dispW, dispH, scratch, kernels);
}

// Live and thumbnail frames: the header, then the checks in the order the callers rely on.
int32_t showBufferedFrame(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W, int32_t H,
                          int32_t dispW, int32_t dispH, const uint16_t* callerGains, int32_t callerGamma,
                          const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut, int16_t* status) {
    clearStatus(status);
    if (!frameBuffer) return fail(status, ZRK_STATUS_MAGIC);
    if (headerOut) std::memmove(headerOut, frameBuffer, ZRK_FRAME_HEADER_SIZE);
    if (!hasFrameMagic(frameBuffer)) return fail(status, ZRK_STATUS_MAGIC);
    const unsigned w = low16(W), h = low16(H);
    if (!frameSizeSupported(w, h)) return fail(status, ZRK_STATUS_SURFACE);
    const int16_t dw = low16Signed(dispW), dh = low16Signed(dispH);
    if (const int code = checkDrawTarget(surface, bitmapWidth(w), h, dw, dh); code != ZRK_STATUS_OK)
        return fail(status, code);

    Gains gains{128, 128, 128};
    unsigned gamma = 100;
    if (callerGains) {
        gains = {limitGain(callerGains[2]), limitGain(callerGains[1]), limitGain(callerGains[0])};
        gamma = low16(callerGamma);
    } else {
        const ZRK_FRAME_HEADER header = headerOf(frameBuffer);
        gains = gainsOf(header);
        gamma = header.gamma;
    }
    const int code = reconstructAndDraw(*surface, frameBuffer + ZRK_FRAME_HEADER_SIZE, w, h, dw, dh, gains,
                                        gamma, sharpenOf(sharpen));
    return code == ZRK_STATUS_OK ? 1 : fail(status, code);
}

// Reads frame record frameIndex into the frame read buffer; ZRK_STATUS_OK or the failure's code.
int readRecord(const char* dataFile, unsigned w, unsigned h, int32_t dataOffset, int32_t frameIndex) {
    if (!frameSizeSupported(w, h)) return ZRK_STATUS_READ; // the record size itself would be wrong
    return readFrameRecord(dataFile, static_cast<uint32_t>(dataOffset), static_cast<uint32_t>(frameIndex), w,
                           h, workspace().frame, kFrameBufferSize);
}

// Whether path names the file that st describes (another name or a link to it included).
bool sameFile(const char* path, const struct stat& st) {
    struct stat other {};
    return path && ::stat(path, &other) == 0 && other.st_dev == st.st_dev && other.st_ino == st.st_ino;
}

// Frames of dataFile from first on that lie whole in it (0 when first does not), up to want; fills
// st. A file cut short (an interrupted download) gives the frames before the cut.
uint32_t framesPresent(const char* dataFile, unsigned w, unsigned h, uint32_t dataOffset, uint32_t first,
                       uint32_t want, struct stat& st) {
    if (!dataFile || ::stat(dataFile, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    const auto size = static_cast<uint64_t>(st.st_size);
    const uint64_t record = uint64_t{w} * h + ZRK_FRAME_HEADER_SIZE;
    const uint64_t from = uint64_t{dataOffset} + uint64_t{first} * record;
    if (size >= (uint64_t{1} << 32) || size < from + record) return 0;
    const uint64_t whole = (size - from) / record;
    return whole < want ? static_cast<uint32_t>(whole) : want;
}

// ZRKIMAGE_AVI_SEGMENT_BYTES lowers the size of an AVI segment (tests of the extended form).
uint64_t aviSegmentLimit() {
    const char* text = std::getenv("ZRKIMAGE_AVI_SEGMENT_BYTES");
    if (!text || !*text) return kAviSegmentLimit;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    return (end && *end == 0 && value > 0 && value < kAviSegmentLimit) ? value : kAviSegmentLimit;
}

// Movie frames go through the page cache, streamed to the disk by the writer: on ext4 that reaches
// the disk sooner than direct I/O (README, "Benchmarks"). ZRKIMAGE_AVI_DIRECT=1 writes them with
// direct I/O instead, ZRKIMAGE_AVI_DIRECT=0 keeps the page cache.
constexpr bool kAviDirectByDefault = false;
bool aviDirect() {
    const char* text = std::getenv("ZRKIMAGE_AVI_DIRECT");
    if (text && std::strcmp(text, "1") == 0) return true;
    if (text && std::strcmp(text, "0") == 0) return false;
    return kAviDirectByDefault;
}

// The rates a movie can state: at least 1 frame per second, and at least 1 microsecond per frame.
bool rateStated(int32_t rate) {
    return rate >= 1 && (1000000 + static_cast<uint32_t>(rate) / 2) / static_cast<uint32_t>(rate) > 0;
}

bool cancelled(const ZRK_PROGRESS* progress, uint32_t done, uint32_t total) {
    return progress && progress->report && progress->report(progress->context, done, total) != 0;
}

// Ends a movie that stops early: the frames written stay a valid movie; a failure to finish it
// outranks the reason for stopping.
int32_t stopMovie(AviWriter& writer, int16_t* status, int code) {
    const int finished = writer.finish();
    return fail(status, finished == ZRK_STATUS_OK ? code : finished);
}

} // namespace

extern "C" {

ZRKIMAGE_API int32_t CombRGB_Live(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                  int32_t H, int32_t dispW, int32_t dispH, const uint16_t* gains,
                                  int32_t gamma, const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut,
                                  int16_t* status) {
    static const uint16_t unity[3] = {128, 128, 128};
    return showBufferedFrame(surface, frameBuffer, W, H, dispW, dispH, gains ? gains : unity, gamma, sharpen,
                             headerOut, status);
}

ZRKIMAGE_API int32_t CombRGB_ThumbNail(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                       int32_t H, int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                                       ZRK_FRAME_HEADER* headerOut, int16_t* status) {
    return showBufferedFrame(surface, frameBuffer, W, H, dispW, dispH, nullptr, 100, sharpen, headerOut,
                             status);
}

ZRKIMAGE_API int32_t CombRGB_Play(const ZRK_SURFACE* surface, const char* dataFile, int32_t W, int32_t H,
                                  int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                                  ZRK_FRAME_HEADER* headerOut, int32_t dataOffset, int32_t frameIndex,
                                  int16_t* status) {
    clearStatus(status);
    const unsigned w = low16(W), h = low16(H);
    if (const int code = readRecord(dataFile, w, h, dataOffset, frameIndex); code != ZRK_STATUS_OK)
        return fail(status, code);
    const uint8_t* record = workspace().frame;
    if (headerOut) std::memcpy(headerOut, record, ZRK_FRAME_HEADER_SIZE);
    const int16_t dw = low16Signed(dispW), dh = low16Signed(dispH);
    if (const int code = checkDrawTarget(surface, bitmapWidth(w), h, dw, dh); code != ZRK_STATUS_OK)
        return fail(status, code);
    const ZRK_FRAME_HEADER header = headerOf(record);
    const int code = reconstructAndDraw(*surface, record + ZRK_FRAME_HEADER_SIZE, w, h, dw, dh,
                                        gainsOf(header), header.gamma, sharpenOf(sharpen));
    return code == ZRK_STATUS_OK ? 1 : fail(status, code);
}

ZRKIMAGE_API int32_t CombRGB_File(const char* dataFile, const char* bitmapFile, int32_t W, int32_t H,
                                  const ZRK_ENHANCE* sharpen, int32_t dataOffset, int32_t frameIndex,
                                  int16_t* status) {
    clearStatus(status);
    const unsigned w = low16(W), h = low16(H);
    if (const int code = readRecord(dataFile, w, h, dataOffset, frameIndex); code != ZRK_STATUS_OK)
        return fail(status, code);
    // Never written over the data file it comes from, whatever name reaches it.
    if (struct stat data{}; ::stat(dataFile, &data) == 0 && sameFile(bitmapFile, data))
        return fail(status, ZRK_STATUS_WRITE);
    const Workspace& ws = workspace();
    const ZRK_FRAME_HEADER header = headerOf(ws.frame);
    const unsigned width4 = bitmapWidth(w);
    writeBitmapHeaders(ws.bitmap, width4, h);
    reconstructFrame(ws.frame + ZRK_FRAME_HEADER_SIZE, ws.bitmap + kBitmapHeaderSize, w, h, gainsOf(header),
                     header.gamma, sharpenOf(sharpen), planesOf(ws), activeKernels());
    const std::size_t fileSize = std::size_t{width4} * 3 * h + kBitmapHeaderSize;
    if (const int code = writeWholeFile(bitmapFile, ws.bitmap, fileSize); code != ZRK_STATUS_OK)
        return fail(status, code);
    return 1;
}

ZRKIMAGE_API int32_t CombRGB_AVI(const ZRK_PROGRESS* progress, const char* dataFile, const char* aviFile,
                                 int32_t W, int32_t H, const ZRK_ENHANCE* sharpen, int32_t dataOffset,
                                 uint32_t firstFrame, uint32_t lastFrame, int32_t frameRate,
                                 int16_t* status) {
    clearStatus(status);
    // Everything is checked before the movie file is created.
    const unsigned w = low16(W), h = low16(H);
    if (!frameSizeSupported(w, h)) return fail(status, ZRK_STATUS_AVI_FORMAT);
    if (!rateStated(frameRate)) return fail(status, ZRK_STATUS_AVI_STREAM);
    if (firstFrame > lastFrame) return fail(status, ZRK_STATUS_READ);
    const uint32_t total = lastFrame - firstFrame + 1; // 1 .. 2^32 - 1 frames
    // A data file cut short gives a movie of the frames it holds, then the read error; one without
    // even the first frame gives none.
    struct stat data {};
    const uint32_t present =
        framesPresent(dataFile, w, h, static_cast<uint32_t>(dataOffset), firstFrame, total, data);
    if (present == 0) return fail(status, ZRK_STATUS_READ);
    if (!aviFile || sameFile(aviFile, data)) return fail(status, ZRK_STATUS_AVI_OPEN);
    const unsigned width4 = bitmapWidth(w);
    const AviFormat format{width4, h, static_cast<uint32_t>(width4 * 3 * h),
                           static_cast<uint32_t>(frameRate)};
    const uint64_t limit = aviSegmentLimit();
    if (!AviWriter::fits(format, present, limit)) return fail(status, ZRK_STATUS_AVI_OPEN);
    if (cancelled(progress, 0, total)) return fail(status, ZRK_STATUS_CANCELLED);

    AviWriter writer;
    const Workspace& ws = workspace();
    if (const int code = writer.create(aviFile, format, ws.movieSlot, present, limit, aviDirect());
        code != ZRK_STATUS_OK)
        return fail(status, code);
    const Sharpen sharp = sharpenOf(sharpen);
    for (uint32_t done = 0; done < total; ++done) {
        const uint32_t frame = firstFrame + done;
        if (const int code = readRecord(dataFile, w, h, dataOffset, static_cast<int32_t>(frame));
            code != ZRK_STATUS_OK)
            return stopMovie(writer, status, code);
        const ZRK_FRAME_HEADER header = headerOf(ws.frame);
        reconstructFrame(ws.frame + ZRK_FRAME_HEADER_SIZE, writer.framePixels(), w, h, gainsOf(header),
                         header.gamma, sharp, planesOf(ws), activeKernels());
        if (const int code = writer.writeFrame(); code != ZRK_STATUS_OK)
            return stopMovie(writer, status, code);
        // Asked before each frame only: the report after the last one just informs.
        if (cancelled(progress, done + 1, total) && done + 1 < total)
            return stopMovie(writer, status, ZRK_STATUS_CANCELLED);
    }
    if (const int code = writer.finish(); code != ZRK_STATUS_OK) return fail(status, code);
    return 1;
}

ZRKIMAGE_API int32_t WriteImageBuf(uint8_t* buffer, int32_t capacity, const uint8_t* data, int32_t position,
                                   int32_t length) {
    if (position < 0 || length < 0 || capacity < 0 || int64_t{position} + length > capacity) return -1;
    if (length > 0) {
        if (!buffer || !data) return -1;
        std::memmove(buffer + position, data, static_cast<std::size_t>(length));
    }
    return position + length;
}

} // extern "C"
