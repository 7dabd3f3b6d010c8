// The independent reader of the movie tests: ffprobe and ffmpeg, run as programs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// The path quoted for the shell, and a command's standard output (empty when it fails).
std::string shellQuoted(const std::string& s);
std::vector<uint8_t> runCommand(const std::string& command);

// key=value facts of the first video stream (codec_name, width, height, r_frame_rate,
// nb_read_packets, pix_fmt), reading every packet; empty when ffprobe fails.
std::map<std::string, std::string> probeVideo(const std::string& path);

// Frame k decoded by ffmpeg as 24-bit blue-green-red rows, top row first (reached by seeking at the
// given rate); empty when ffmpeg fails.
std::vector<uint8_t> decodeFrame(const std::string& path, unsigned k, unsigned rate);

// A bottom-up 24-bit bitmap's pixel rows (stride = width * 3) turned top row first.
std::vector<uint8_t> topDown(const uint8_t* bottomUp, unsigned width, unsigned height);

} // namespace testsupport
