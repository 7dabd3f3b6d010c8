// One movie for people to share or archive, encoded by the system's codec libraries: H.264 in MP4
// (yuv420p, constant quality, index at the front) or lossless FFV1 in Matroska. Frames come in as
// 32-bit pixels 0xffRRGGBB in host order, top row first: the layout the image library draws into.
// Everything the writer needs is allocated when it opens; a frame costs only what the codec needs.
// Frames are encoded on a thread of the writer's own while the caller draws the next one into the
// second of two picture buffers.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace zrk::movie {

enum class Codec { H264, Ffv1 };

// H.264 constant rate factor: 0 (best) .. 51; 18 keeps synthetic and camera pictures above 40 dB.
constexpr int kDefaultQuality = 18;
constexpr int kMinQuality = 0, kMaxQuality = 51;
// Playback rates a movie may have, frames per second.
constexpr int kMinRate = 1, kMaxRate = 240;
constexpr int kDefaultRate = 30;

struct MovieSettings {
    Codec codec = Codec::H264;
    int width = 0, height = 0; // even, up to 8192
    int rate = kDefaultRate;   // playback frames per second
    int quality = kDefaultQuality;
    double recordingRate = 0;        // frames per second the camera recorded at; 0 = unknown
    const char* preset = "veryfast"; // H.264 speed/size balance
};

enum class Result {
    Ok,
    Cancelled,    // the caller stopped; the frames written form a playable movie
    BadArguments, // settings out of range, no target: nothing was created
    NoEncoder,    // the codec library lacks or refuses the encoder: nothing was created
    CannotOpen,   // the file cannot be created: nothing was created
    WriteFailed,  // writing failed (a full disk): the file was removed
    SourceFailed, // the caller's frame could not be made; the frames written form a playable movie
};

// Whether settings describe a movie this writer can make (sizes, rate, quality).
bool SettingsValid(const MovieSettings& settings);

class MovieWriter {
public:
    MovieWriter() = default;
    // A movie still open is finished (or removed when that fails).
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // Checks the settings and opens the encoder, then creates path (replacing a file there) and writes
    // the container's header. Ok, BadArguments, NoEncoder, CannotOpen or WriteFailed; on failure no
    // file is left.
    Result open(const std::string& path, const MovieSettings& settings);

    // Where the next frame's pixels go and the bytes from one row to the next (valid after open,
    // until the next writeFrame()).
    uint8_t* pixels() const;
    int stride() const;

    // Hands the frame in pixels() to the encoder and switches pixels() to the other buffer once the
    // encoder is done with it. Ok, or WriteFailed when this or an earlier frame failed (the movie is
    // then removed by finish()).
    Result writeFrame();

    // Drains the encoder and closes the file: a playable movie of every frame written. Ok, or
    // WriteFailed with the file removed. Does nothing when nothing is open.
    Result finish();

    int64_t framesWritten() const { return frames_; }
    // The codec library's words for the last failure, for messages.
    const std::string& detail() const { return detail_; }

private:
    Result fail(Result result, const char* what, int code);
    Result encode(const AVFrame* frame);
    Result encodeInput(AVFrame* input, int64_t pts);
    void encoderLoop();
    void stopEncoder();
    void release();

    std::string path_;
    std::string detail_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* input_[2] = {};   // the caller's pixels, in turn
    unsigned current_ = 0;     // the buffer the caller draws into
    AVFrame* coded_ = nullptr; // yuv420p for H.264; null when the input goes straight in
    SwsContext* convert_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t frames_ = 0;
    bool fileOpen_ = false;
    bool failed_ = false;

    // The encoder thread and what it is handed; guarded by mutex_.
    std::thread encoder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int queued_ = -1; // buffer waiting for the encoder
    int busy_ = -1;   // buffer being encoded
    bool stop_ = false;
    bool encodeFailed_ = false;
};

// The slow-motion summary the export shows, e.g. "2,047 frames at 30 fps = 68.2 s, 66.7× slower"
// ("faster" below 1; without the factor when the recording rate is unknown).
std::string SlowMotionText(int64_t frames, int rate, double recordingRate);

} // namespace zrk::movie
