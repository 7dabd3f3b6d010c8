// The camera model: settings, memory regions and the recording clock. Knows nothing of sockets; the
// caller passes the time in, so recordings can be driven by tests without waiting.
#pragma once

#include "frame_render.h"
#include "tables.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zrkcam {

// The moment a command is handled: a monotonic clock for recording progress and the host's wall clock
// (calendar numbers as naive epoch milliseconds) that the camera clock is an offset of.
struct Now {
    int64_t monoMs = 0;
    int64_t wallMs = 0;
};

struct RecordMode {
    int imageSize = 1;
    int rateCode = 0;
    int shutterCode = 3;
    int strobeDelay = 0;
    int partition = 0;
    int trigMode = 2; // 0 Start, 1 Center, 2 End
    int postCount = 0;
    bool operator==(const RecordMode&) const = default;
};

struct Address {
    std::array<int, 4> bytes{};
    std::string dotted() const;
};

struct RegionState {
    Recording rec;       // rec.frames == 0: empty
    int triggerPos = -1; // frames recorded after the trigger frame, -1 without a trigger
};

struct CameraConfig {
    int memoryCode = 0;
    double speed = 1.0; // recording runs this many times faster than its nominal rate
};

class Camera {
public:
    explicit Camera(const CameraConfig& config);

    // Settings, all public: the command handler and the state file validate before they write.
    int memoryCode;
    double speed;
    RecordMode mode;
    int gainCode = 0;
    int analogGain = 0;
    int syncMode = 0;
    int gammaIndex = 0;
    int wbPreset = 0;
    std::array<Rgb, 2> userWb{Rgb{128, 128, 128}, Rgb{128, 128, 128}};
    Address ip{{192, 168, 0, 2}};
    int maskBits = 24;
    Address gateway{{192, 168, 0, 1}};
    int64_t clockOffsetMs = 0; // camera clock minus host wall clock
    bool liveMode = false;     // camera mode "LIVE"
    bool liveOutput = false;   // live frames are being sent
    std::array<int, 3> versionCode{1, 2, 0};
    int versionMain = 3;
    std::array<int, 2> versionFpga{12, 1};

    int64_t clockMs(const Now& now) const { return now.wallMs + clockOffsetMs; }
    int capacity() const { return regionCapacity(memoryCode, mode.imageSize, mode.partition); }
    int regionsInUse() const { return mode.partition + 1; }
    Rgb currentWb() const;
    RecordSettings currentSettings() const;

    // Memory regions. regionFrames counts the frames of a recording still in progress too.
    const RegionState& region(int i) const { return regions_.at(static_cast<size_t>(i)); }
    int regionFrames(int i, const Now& now) const;
    bool memoryFull() const;
    void clearMemory();
    // Puts a finished recording into a region (used by the state file): frames and trigger position are
    // clamped to what the region can hold.
    void storeRecording(int region, int frames, int triggerPos, int64_t startClockMs);

    // Recording. Each returns the reply code the command answers with (200 on success).
    bool recording() const { return active_.has_value(); }
    int activeRegion() const { return active_ ? active_->region : -1; }
    int startRecording(const Now& now);
    int stopRecording(const Now& now);
    int trigger(const Now& now);
    // Ends a recording whose last frame has been taken; call before every command and periodically.
    void update(const Now& now);
    // Milliseconds until the running recording ends by itself, -1 when that is not yet known.
    int64_t msUntilDone(const Now& now) const;

private:
    struct Active {
        int region = 0;
        int64_t startMono = 0;
        int64_t startClockMs = 0;
        RecordSettings settings;
        int capacity = 0;
        int trigMode = 0;
        int postCount = 0;
        bool triggered = false;
        uint64_t trigSeq = 0;
    };
    uint64_t framesTaken(const Active& a, int64_t monoMs) const;
    std::optional<uint64_t> finalTotal(const Active& a) const;
    void finish(const Active& a, uint64_t total);

    std::array<RegionState, 4> regions_{};
    std::optional<Active> active_;
};

} // namespace zrkcam
