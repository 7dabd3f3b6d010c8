// The movie tests' independent reader: ffprobe and ffmpeg, run as programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Every frame of a movie decoded by ffmpeg as 24-bit blue-green-red rows, top row first, one after
// the other; empty when ffmpeg fails.
std::vector<uint8_t> decodeAll(const std::string& path);

// Every frame decoded in the movie's own yuv420p planes, one after the other; empty on failure.
std::vector<uint8_t> decodeYuv420(const std::string& path);

// The limited-range BT.601 luma of a blue-green-red picture, one byte a pixel.
std::vector<uint8_t> luma(const uint8_t* bgr, std::size_t pixels);

// The container's comment tag as ffprobe reads it.
std::string commentTag(const std::string& path);

// Peak signal-to-noise ratio of b against a (equal sizes), in dB; 99 when they are identical.
double psnr(const uint8_t* a, const uint8_t* b, std::size_t bytes);

} // namespace testsupport
