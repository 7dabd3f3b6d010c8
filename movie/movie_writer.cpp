#include "movie_writer.h"

#include <cstdio>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace zrk::movie {

namespace {

constexpr int kMaxSide = 8192;

std::string avText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string rateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, rate == static_cast<int64_t>(rate) ? "%.0f" : "%.2f", rate);
    return text;
}

// The recording rate travels in the comment, the one field every player shows.
std::string commentFor(const MovieSettings& s) {
    std::string text = "Played at " + rateText(s.rate) + " frames/s";
    if (s.recordingRate > 0)
        text = "Recorded at " + rateText(s.recordingRate) + " frames/s, " + "played at " + rateText(s.rate) +
               " frames/s";
    return text;
}

} // namespace

bool SettingsValid(const MovieSettings& s) {
    return s.width > 0 && s.height > 0 && s.width <= kMaxSide && s.height <= kMaxSide && s.width % 2 == 0 &&
           s.height % 2 == 0 && s.rate >= kMinRate && s.rate <= kMaxRate && s.quality >= kMinQuality &&
           s.quality <= kMaxQuality && s.recordingRate >= 0 && s.preset;
}

MovieWriter::~MovieWriter() {
    finish();
}

Result MovieWriter::fail(Result result, const char* what, int code) {
    detail_ = what;
    if (code < 0) detail_ += ": " + avText(code);
    return result;
}

Result MovieWriter::open(const std::string& path, const MovieSettings& s) {
    finish();
    // Failures reach the operator through the result and detail(), not the terminal.
    av_log_set_level(AV_LOG_FATAL);
    detail_.clear();
    frames_ = 0;
    failed_ = false;
    if (path.empty() || !SettingsValid(s)) return fail(Result::BadArguments, "invalid movie settings", 0);
    const bool h264 = s.codec == Codec::H264;
    const AVCodec* codec =
        h264 ? avcodec_find_encoder_by_name("libx264") : avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (!codec) return fail(Result::NoEncoder, h264 ? "no H.264 encoder (libx264)" : "no FFV1 encoder", 0);
    const char* container = h264 ? "mp4" : "matroska";

    // Encoder and buffers first: a failure here leaves no file behind.
    int code = avformat_alloc_output_context2(&format_, nullptr, container, path.c_str());
    codec_ = avcodec_alloc_context3(codec);
    input_[0] = av_frame_alloc();
    input_[1] = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (code < 0 || !format_ || !codec_ || !input_[0] || !input_[1] || !packet_) {
        release();
        return fail(Result::NoEncoder, "cannot set up the encoder", code);
    }
    codec_->width = s.width;
    codec_->height = s.height;
    codec_->time_base = AVRational{1, s.rate};
    codec_->framerate = AVRational{s.rate, 1};
    codec_->thread_count = 0; // as many as the processor has
    if (h264) {
        codec_->pix_fmt = AV_PIX_FMT_YUV420P;
        codec_->color_range = AVCOL_RANGE_MPEG;
        codec_->colorspace = AVCOL_SPC_SMPTE170M;
        codec_->color_primaries = AVCOL_PRI_SMPTE170M;
        codec_->color_trc = AVCOL_TRC_SMPTE170M;
        av_opt_set(codec_->priv_data, "preset", s.preset, 0);
        av_opt_set_double(codec_->priv_data, "crf", s.quality, 0);
    } else {
        // 0RGB32 is blue-green-red-pad in memory on little-endian hosts: the pixels go in unconverted.
        codec_->pix_fmt = AV_PIX_FMT_0RGB32;
        codec_->level = 3; // version 3: slices coded in parallel, each with its own checksum
        codec_->thread_type = FF_THREAD_SLICE;
        av_opt_set_int(codec_->priv_data, "slices", 4, 0);
        av_opt_set_int(codec_->priv_data, "slicecrc", 1, 0);
    }
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((code = avcodec_open2(codec_, codec, nullptr)) < 0) {
        release();
        return fail(Result::NoEncoder, "the encoder refused the settings", code);
    }
    for (AVFrame* input : input_) {
        input->format = h264 ? AV_PIX_FMT_BGR0 : codec_->pix_fmt;
        input->width = s.width;
        input->height = s.height;
        if (code >= 0) code = av_frame_get_buffer(input, 0);
    }
    current_ = 0;
    if (code >= 0 && h264) {
        coded_ = av_frame_alloc();
        convert_ = sws_getContext(s.width, s.height, AV_PIX_FMT_BGR0, s.width, s.height, AV_PIX_FMT_YUV420P,
                                  SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (coded_) {
            coded_->format = AV_PIX_FMT_YUV420P;
            coded_->width = s.width;
            coded_->height = s.height;
            coded_->color_range = AVCOL_RANGE_MPEG;
            coded_->colorspace = AVCOL_SPC_SMPTE170M;
            code = av_frame_get_buffer(coded_, 0);
        }
        if (!coded_ || !convert_) code = AVERROR(ENOMEM);
    }
    stream_ = avformat_new_stream(format_, nullptr);
    if (code < 0 || !stream_ || (code = avcodec_parameters_from_context(stream_->codecpar, codec_)) < 0) {
        release();
        return fail(Result::NoEncoder, "cannot set up the movie's stream", code ? code : AVERROR(ENOMEM));
    }
    stream_->time_base = codec_->time_base;
    stream_->avg_frame_rate = stream_->r_frame_rate = codec_->framerate;
    av_dict_set(&format_->metadata, "comment", commentFor(s).c_str(), 0);

    // Now the file.
    if ((code = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
        release();
        return fail(Result::CannotOpen, "cannot create the movie file", code);
    }
    path_ = path;
    fileOpen_ = true;
    AVDictionary* options = nullptr;
    if (h264) av_dict_set(&options, "movflags", "+faststart", 0);
    code = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (code < 0) {
        failed_ = true;
        const Result r = fail(Result::WriteFailed, "cannot write the movie's header", code);
        const std::string why = detail_;
        finish();
        detail_ = why;
        return r;
    }
    queued_ = busy_ = -1;
    stop_ = encodeFailed_ = false;
    encoder_ = std::thread([this] { encoderLoop(); });
    return Result::Ok;
}

uint8_t* MovieWriter::pixels() const {
    return input_[current_] ? input_[current_]->data[0] : nullptr;
}

int MovieWriter::stride() const {
    return input_[current_] ? input_[current_]->linesize[0] : 0;
}

Result MovieWriter::encode(const AVFrame* frame) {
    int code = avcodec_send_frame(codec_, frame);
    if (code < 0 && code != AVERROR_EOF) return fail(Result::WriteFailed, "the encoder failed", code);
    while ((code = avcodec_receive_packet(codec_, packet_)) >= 0) {
        av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        code = av_write_frame(format_, packet_);
        av_packet_unref(packet_);
        if (code < 0) return fail(Result::WriteFailed, "cannot write to the movie file", code);
    }
    if (code != AVERROR(EAGAIN) && code != AVERROR_EOF)
        return fail(Result::WriteFailed, "the encoder failed", code);
    return Result::Ok;
}

// On the encoder thread: one picture converted, encoded and its packets written.
Result MovieWriter::encodeInput(AVFrame* input, int64_t pts) {
    AVFrame* frame = input;
    if (coded_) {
        // The encoder may still hold the previous picture; only then does this copy it away.
        if (const int code = av_frame_make_writable(coded_); code < 0)
            return fail(Result::WriteFailed, "out of memory", code);
        sws_scale(convert_, input->data, input->linesize, 0, input->height, coded_->data, coded_->linesize);
        frame = coded_;
    }
    frame->pts = pts;
    if (const Result r = encode(frame); r != Result::Ok) return r;
    // The caller draws into this buffer again only once the encoder no longer reads it.
    if (!coded_ && av_frame_make_writable(input) < 0)
        return fail(Result::WriteFailed, "out of memory", AVERROR(ENOMEM));
    return Result::Ok;
}

void MovieWriter::encoderLoop() {
    int64_t pts = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return queued_ >= 0 || stop_; });
        if (queued_ < 0) return; // stopped with nothing left
        busy_ = queued_;
        queued_ = -1;
        const bool skip = encodeFailed_;
        lock.unlock();
        const bool ok = skip || encodeInput(input_[busy_], pts++) == Result::Ok;
        lock.lock();
        if (!ok) encodeFailed_ = true;
        busy_ = -1;
        changed_.notify_all();
    }
}

void MovieWriter::stopEncoder() {
    if (!encoder_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    encoder_.join(); // every frame handed over is encoded first
    if (encodeFailed_) failed_ = true;
}

Result MovieWriter::writeFrame() {
    if (!fileOpen_ || failed_) return Result::WriteFailed;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queued_ < 0; });
    if (encodeFailed_) return Result::WriteFailed;
    queued_ = static_cast<int>(current_);
    ++frames_;
    changed_.notify_all();
    current_ ^= 1;
    // The other buffer may still be on its way through the encoder.
    changed_.wait(lock, [this] {
        return busy_ != static_cast<int>(current_) && queued_ != static_cast<int>(current_);
    });
    return encodeFailed_ ? Result::WriteFailed : Result::Ok;
}

Result MovieWriter::finish() {
    if (!format_) return Result::Ok;
    Result result = Result::Ok;
    stopEncoder();
    if (fileOpen_) {
        if (!failed_) result = encode(nullptr);
        int code = 0;
        if (!failed_ && result == Result::Ok && (code = av_write_trailer(format_)) < 0)
            result = fail(Result::WriteFailed, "cannot finish the movie file", code);
        if ((code = avio_closep(&format_->pb)) < 0 && result == Result::Ok)
            result = fail(Result::WriteFailed, "cannot write to the movie file", code);
        if (failed_ && result == Result::Ok) result = Result::WriteFailed;
        // A movie that could not be finished is no movie: nothing half-written is left behind.
        if (result != Result::Ok) ::unlink(path_.c_str());
        fileOpen_ = false;
    }
    release();
    return result;
}

void MovieWriter::release() {
    stopEncoder();
    if (format_ && format_->pb) avio_closep(&format_->pb);
    avformat_free_context(format_);
    format_ = nullptr;
    stream_ = nullptr;
    avcodec_free_context(&codec_);
    av_frame_free(&input_[0]);
    av_frame_free(&input_[1]);
    av_frame_free(&coded_);
    sws_freeContext(convert_);
    convert_ = nullptr;
    av_packet_free(&packet_);
}

std::string SlowMotionText(int64_t frames, int rate, double recordingRate) {
    if (frames < 0 || rate < 1) return {};
    std::string count = std::to_string(frames);
    for (int at = static_cast<int>(count.size()) - 3; at > 0; at -= 3)
        count.insert(static_cast<size_t>(at), ",");
    char text[160];
    const double seconds = static_cast<double>(frames) / rate;
    int n = std::snprintf(text, sizeof text, "%s frames at %d fps = %.1f s", count.c_str(), rate, seconds);
    if (recordingRate > 0 && n > 0) {
        const double factor = recordingRate / rate;
        if (factor >= 1)
            std::snprintf(text + n, sizeof text - n, ", %.1f\u00d7 slower", factor);
        else
            std::snprintf(text + n, sizeof text - n, ", %.1f\u00d7 faster", 1 / factor);
    }
    return text;
}

} // namespace zrk::movie
