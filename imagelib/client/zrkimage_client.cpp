#include "zrkimage_client.h"

#include <dlfcn.h>
#include <unistd.h>

#include <utility>

namespace zrk::imagelib {
namespace {

constexpr const char* kFileName = "libzrkimage.so";

std::string executableFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string s(path, static_cast<std::size_t>(n));
    const auto slash = s.rfind('/');
    return slash == std::string::npos ? std::string{} : s.substr(0, slash);
}

std::string dlError() {
    const char* e = ::dlerror();
    return e ? e : "unknown error";
}

template <typename Fn> Fn as(void* p) {
    return reinterpret_cast<Fn>(p);
}

} // namespace

ImageLibrary::ImageLibrary(std::string path) : path_(std::move(path)) {}

ImageLibrary::~ImageLibrary() {
    if (handle_) ::dlclose(handle_);
}

bool ImageLibrary::load() {
    if (handle_) return true;
    if (!loadFailure_.empty()) return false; // reported on every call, not retried per frame
    std::string tried;
    auto attempt = [&](const std::string& candidate) {
        handle_ = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_) {
            loadedFrom_ = candidate;
            return true;
        }
        tried += "\n" + dlError();
        return false;
    };
    if (!path_.empty()) {
        if (attempt(path_)) return true;
    } else {
        const std::string folder = executableFolder();
        if ((!folder.empty() && attempt(folder + "/" + kFileName)) || attempt(kFileName)) return true;
    }
    loadFailure_ = "The image library zrkimage could not be loaded, so pictures cannot be shown or saved. "
                   "Install " +
                   std::string(kFileName) + " beside the program." + tried;
    return false;
}

void* ImageLibrary::function(const char* name, void*& slot) {
    message_.clear();
    if (slot) return slot;
    if (!load()) {
        message_ = loadFailure_; // every later call says why, not only the first
        return nullptr;
    }
    ::dlerror();
    slot = ::dlsym(handle_, name);
    if (!slot)
        message_ = "The image library zrkimage (" + loadedFrom_ + ") has no function " + name +
                   ": it does not belong to this version of the program.";
    return slot;
}

bool ImageLibrary::bindAll() {
    return function("CombRGB_Live", live_) && function("CombRGB_ThumbNail", thumbNail_) &&
           function("CombRGB_Play", play_) && function("CombRGB_File", file_) &&
           function("CombRGB_AVI", avi_) && function("WriteImageBuf", writeImageBuf_);
}

namespace {
int32_t unavailable(int16_t* status) {
    if (status) *status = kStatusUnavailable;
    return 0;
}
} // namespace

int32_t ImageLibrary::combRgbLive(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                  int32_t H, int32_t dispW, int32_t dispH, const uint16_t* gains,
                                  int32_t gamma, const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut,
                                  int16_t* status) {
    void* f = function("CombRGB_Live", live_);
    if (!f) return unavailable(status);
    return as<decltype(&CombRGB_Live)>(f)(surface, frameBuffer, W, H, dispW, dispH, gains, gamma, sharpen,
                                          headerOut, status);
}

int32_t ImageLibrary::combRgbThumbNail(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                       int32_t H, int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                                       ZRK_FRAME_HEADER* headerOut, int16_t* status) {
    void* f = function("CombRGB_ThumbNail", thumbNail_);
    if (!f) return unavailable(status);
    return as<decltype(&CombRGB_ThumbNail)>(f)(surface, frameBuffer, W, H, dispW, dispH, sharpen, headerOut,
                                               status);
}

int32_t ImageLibrary::combRgbPlay(const ZRK_SURFACE* surface, const char* dataFile, int32_t W, int32_t H,
                                  int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                                  ZRK_FRAME_HEADER* headerOut, int32_t dataOffset, int32_t frameIndex,
                                  int16_t* status) {
    void* f = function("CombRGB_Play", play_);
    if (!f) return unavailable(status);
    return as<decltype(&CombRGB_Play)>(f)(surface, dataFile, W, H, dispW, dispH, sharpen, headerOut,
                                          dataOffset, frameIndex, status);
}

int32_t ImageLibrary::combRgbFile(const char* dataFile, const char* bitmapFile, int32_t W, int32_t H,
                                  const ZRK_ENHANCE* sharpen, int32_t dataOffset, int32_t frameIndex,
                                  int16_t* status) {
    void* f = function("CombRGB_File", file_);
    if (!f) return unavailable(status);
    return as<decltype(&CombRGB_File)>(f)(dataFile, bitmapFile, W, H, sharpen, dataOffset, frameIndex,
                                          status);
}

int32_t ImageLibrary::combRgbAvi(const ZRK_PROGRESS* progress, const char* dataFile, const char* aviFile,
                                 int32_t W, int32_t H, const ZRK_ENHANCE* sharpen, int32_t dataOffset,
                                 uint32_t firstFrame, uint32_t lastFrame, int32_t frameRate,
                                 int16_t* status) {
    void* f = function("CombRGB_AVI", avi_);
    if (!f) return unavailable(status);
    return as<decltype(&CombRGB_AVI)>(f)(progress, dataFile, aviFile, W, H, sharpen, dataOffset, firstFrame,
                                         lastFrame, frameRate, status);
}

int32_t ImageLibrary::writeImageBuf(uint8_t* buffer, int32_t capacity, const uint8_t* data, int32_t position,
                                    int32_t length) {
    void* f = function("WriteImageBuf", writeImageBuf_);
    if (!f) return -1;
    return as<decltype(&WriteImageBuf)>(f)(buffer, capacity, data, position, length);
}

ImageLibrary& imageLibrary() {
    static ImageLibrary library;
    return library;
}

} // namespace zrk::imagelib
