// The control program's binding to the image library: loads zrkimage by name on first use and resolves
// each function the first time it is called. When the library or a function is missing, a call fails
// with kStatusUnavailable (WriteImageBuf: -1) and message() holds a text for the operator.
#pragma once

#include <cstdint>
#include <string>

#include "zrkimage.h"

namespace zrk::imagelib {

// Status word value of a call that could not reach the library.
constexpr int16_t kStatusUnavailable = -1;

class ImageLibrary {
public:
    // Empty path: libzrkimage.so beside the running executable, else wherever the library path finds it.
    explicit ImageLibrary(std::string path = {});
    ~ImageLibrary();
    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;

    int32_t combRgbLive(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W, int32_t H,
                        int32_t dispW, int32_t dispH, const uint16_t* gains, int32_t gamma,
                        const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut, int16_t* status);
    int32_t combRgbThumbNail(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W, int32_t H,
                             int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                             ZRK_FRAME_HEADER* headerOut, int16_t* status);
    int32_t combRgbPlay(const ZRK_SURFACE* surface, const char* dataFile, int32_t W, int32_t H, int32_t dispW,
                        int32_t dispH, const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut,
                        int32_t dataOffset, int32_t frameIndex, int16_t* status);
    int32_t combRgbFile(const char* dataFile, const char* bitmapFile, int32_t W, int32_t H,
                        const ZRK_ENHANCE* sharpen, int32_t dataOffset, int32_t frameIndex, int16_t* status);
    int32_t combRgbAvi(const ZRK_PROGRESS* progress, const char* dataFile, const char* aviFile, int32_t W,
                       int32_t H, const ZRK_ENHANCE* sharpen, int32_t dataOffset, uint32_t firstFrame,
                       uint32_t lastFrame, int32_t frameRate, int16_t* status);
    int32_t writeImageBuf(uint8_t* buffer, int32_t capacity, const uint8_t* data, int32_t position,
                          int32_t length);

    // Binds the library and every function now; false (with message()) when something is missing.
    bool bindAll();
    // Why the last call could not reach the library; empty after a call that did.
    const std::string& message() const { return message_; }
    // Where the library was loaded from; empty until it is.
    const std::string& loadedFrom() const { return loadedFrom_; }

private:
    void* function(const char* name, void*& slot);
    bool load();

    std::string path_;
    std::string loadedFrom_;
    std::string message_;
    void* handle_ = nullptr;
    std::string loadFailure_; // the operator's text for a library that could not be loaded; empty until then
    void* live_ = nullptr;
    void* thumbNail_ = nullptr;
    void* play_ = nullptr;
    void* file_ = nullptr;
    void* avi_ = nullptr;
    void* writeImageBuf_ = nullptr;
};

// The program's binding, made on first use.
ImageLibrary& imageLibrary();

} // namespace zrk::imagelib
