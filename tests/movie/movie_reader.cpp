#include "movie_reader.h"

#include "tests/imagelib/ffmpeg_reader.h"

#include <cmath>
#include <cstdio>

namespace testsupport {

std::vector<uint8_t> decodeAll(const std::string& path) {
    return runCommand("ffmpeg -nostdin -v error -i " + shellQuoted(path) + " -f rawvideo -pix_fmt bgr24 -");
}

std::vector<uint8_t> decodeYuv420(const std::string& path) {
    return runCommand("ffmpeg -nostdin -v error -i " + shellQuoted(path) + " -f rawvideo -pix_fmt yuv420p -");
}

std::vector<uint8_t> luma(const uint8_t* bgr, std::size_t pixels) {
    std::vector<uint8_t> y(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const double v =
            16 + (65.481 * bgr[3 * i + 2] + 128.553 * bgr[3 * i + 1] + 24.966 * bgr[3 * i]) / 255;
        y[i] = static_cast<uint8_t>(std::lround(v));
    }
    return y;
}

std::string commentTag(const std::string& path) {
    const auto out = runCommand("ffprobe -v error -show_entries format_tags=comment -of default=nw=1:nk=1 " +
                                shellQuoted(path));
    std::string text(out.begin(), out.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

double psnr(const uint8_t* a, const uint8_t* b, std::size_t bytes) {
    double sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        const double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    if (sum == 0 || bytes == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / double(bytes)));
}

} // namespace testsupport
