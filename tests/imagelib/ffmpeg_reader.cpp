#include "ffmpeg_reader.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace testsupport {

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<uint8_t> runCommand(const std::string& command) {
    std::vector<uint8_t> out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    uint8_t buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
        out.insert(out.end(), buffer, buffer + n);
    if (::pclose(p) != 0) out.clear();
    return out;
}

std::map<std::string, std::string> probeVideo(const std::string& path) {
    const auto out = runCommand("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                "stream=codec_name,width,height,r_frame_rate,nb_read_packets,pix_fmt "
                                "-of default=noprint_wrappers=1 " +
                                shellQuoted(path));
    std::map<std::string, std::string> facts;
    std::istringstream lines(std::string(out.begin(), out.end()));
    for (std::string line; std::getline(lines, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            facts[line.substr(0, eq)] = line.substr(eq + 1);
    return facts;
}

std::vector<uint8_t> decodeFrame(const std::string& path, unsigned k, unsigned rate) {
    std::string seek;
    if (k > 0) seek = "-ss " + std::to_string((k - 0.25) / rate) + " ";
    return runCommand("ffmpeg -nostdin -v error -threads 1 " + seek + "-i " + shellQuoted(path) +
                      " -frames:v 1 -f rawvideo -pix_fmt bgr24 -");
}

std::vector<uint8_t> topDown(const uint8_t* bottomUp, unsigned width, unsigned height) {
    const std::size_t stride = std::size_t{width} * 3;
    std::vector<uint8_t> rows(stride * height);
    for (unsigned y = 0; y < height; ++y)
        std::copy_n(bottomUp + (height - 1 - y) * stride, stride, rows.begin() + y * stride);
    return rows;
}

} // namespace testsupport
