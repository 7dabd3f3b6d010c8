// Where the benchmarks put their files, and the flush that makes a timed write durable.
#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace benchfiles {

// ZRK_BENCH_DIR, else the temporary folder.
inline std::filesystem::path folder() {
    const char* dir = std::getenv("ZRK_BENCH_DIR");
    return dir && *dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path();
}
inline std::string path(const char* name) {
    return (folder() / name).string();
}

inline void flush(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fdatasync(fd);
        ::close(fd);
    }
}

} // namespace benchfiles
