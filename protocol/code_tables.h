// The camera's code tables: image sizes, frame rates, shutters, strobe, gain and the other
// captions, and the arithmetic that turns a record mode into the codes on the wire. Shared by the
// reply handlers, the record settings dialog, the record console and the player.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

struct ImageSizeInfo {
    const char* caption;
    int16_t width;
    int16_t height;
    int32_t frameBytes; // width x height + the 128-byte frame header
    int32_t baseRate;   // frames per second the rate codes count in
};
inline constexpr std::array<ImageSizeInfo, 4> kImageSizes{{
    {"200x200", 200, 200, 40128, 300},
    {"256x256", 256, 256, 65664, 240},
    {"512x256", 512, 256, 131200, 160},
    {"512x512", 512, 512, 262272, 90},
}};

struct FrameRateInfo {
    const char* caption;
    int32_t imageSize; // the size this rate belongs to
    int32_t rateCode;  // base rate / rate - 1
};
inline constexpr std::array<FrameRateInfo, 10> kFrameRates{{
    {"300FPS", 0, 0},
    {"240FPS", 1, 0},
    {"160FPS", 2, 0},
    {"150FPS", 0, 1},
    {"120FPS", 1, 1},
    {"100FPS", 0, 2},
    {"90FPS", 3, 0},
    {"80FPS", 2, 1},
    {"45FPS", 3, 1},
    {"30FPS", 3, 2},
}};

inline constexpr std::array<const char*, 5> kSlowRateCaptions{"1SPF", "2SPF", "5SPF", "10SPF", "60SPF"};
inline constexpr std::array<int32_t, 5> kSlowRateSeconds{1, 2, 5, 10, 60};

inline constexpr std::array<const char*, 11> kShutterHighCaptions{"Open",    "1/300",   "1/500",   "1/1000",
                                                                  "1/2000",  "1/3000",  "1/5000",  "1/10000",
                                                                  "1/20000", "1/40000", "1/100000"};
inline constexpr std::array<const char*, 15> kShutterLowCaptions{
    "1/30",   "1/50",   "1/60",   "1/100",   "1/120",   "1/300",   "1/500",   "1/1000",
    "1/2000", "1/3000", "1/5000", "1/10000", "1/20000", "1/40000", "1/100000"};
inline constexpr std::array<const char*, 9> kStrobeCaptions{"Not Use", "Delay0", "Delay1", "Delay2", "Delay3",
                                                            "Delay4",  "Delay5", "Delay6", "Delay7"};
inline constexpr std::array<const char*, 3> kTrigModeCaptions{"Start", "Center", "End"};
inline constexpr std::array<const char*, 4> kGammaCaptions{"None", "Gamma1", "Gamma2", "Gamma3"};
inline constexpr std::array<const char*, 8> kPresetCaptions{
    "Daylight", "Fluorescent light", "Halogen light", "Not Use", "Not Use", "Not use", "User 1", "User 2"};
inline constexpr std::array<const char*, 7> kGainCaptions{"0dB",   "+3dB",  "+6dB", "+9dB",
                                                          "+12dB", "+15dB", "+18dB"};
inline constexpr std::array<const char*, 5> kAnalogGainCaptions{"None", "x1", "x2", "x3", "x4"};
inline constexpr std::array<const char*, 2> kSyncModeCaptions{"Master", "Slave"};

// Bytes one stored frame of an image size code occupies; 0 for an unknown code.
int32_t FrameBytes(int32_t imageSize);
// Rate code of a high-speed frame-rate index (0 for an index above 9).
int32_t HighRateCode(int32_t rateHigh);
// Rate code of a slow rate: base rate x seconds per frame - 1 (0 for an unknown size or index).
int32_t LowRateCode(int32_t imageSize, int32_t rateLow);
// Shutter code of a low-speed shutter index: +16 for 0..4 (codes 16..20), -4 for 5..14.
int32_t LowShutterCode(int32_t shutterLow);
// Frames one recording region holds.
int32_t RegionCapacity(int32_t memoryCode, int32_t imageSize, int32_t partition);
// Gamma in hundredths of a gamma index: 100, 77, 67, 55; 0 for any other index.
int32_t GammaValue(int32_t index);

struct Rgb16 {
    int16_t Red, Green, Blue;
};
// Fixed gains of the built-in white-balance presets; (128, 128, 128) for the others.
Rgb16 PresetRGB(int32_t preset);

// Caption of a code, or an empty text when the code is outside the table.
template <std::size_t N> QString Caption(const std::array<const char*, N>& table, int32_t code) {
    if (code < 0 || static_cast<std::size_t>(code) >= N) return {};
    return QString::fromLatin1(table[static_cast<std::size_t>(code)]);
}
