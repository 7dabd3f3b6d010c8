#include "camera.h"

#include "tables.h"

#include <algorithm>
#include <cmath>

namespace zrkcam {

std::string Address::dotted() const {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

Camera::Camera(const CameraConfig& config) : memoryCode(config.memoryCode), speed(config.speed) {}

Rgb Camera::currentWb() const {
    if (wbPreset == 6 || wbPreset == 7) return userWb[static_cast<size_t>(wbPreset - 6)];
    return presetRgb(wbPreset);
}

RecordSettings Camera::currentSettings() const {
    RecordSettings s;
    s.imageSize = mode.imageSize;
    s.rateCode = mode.rateCode;
    s.shutterCode = mode.shutterCode;
    s.strobeDelay = mode.strobeDelay;
    s.gainCode = gainCode;
    s.analogGain = analogGain;
    const Rgb wb = currentWb();
    s.red = wb.red;
    s.green = wb.green;
    s.blue = wb.blue;
    s.gamma = gammaValue(gammaIndex);
    return s;
}

int Camera::regionFrames(int i, const Now& now) const {
    if (active_ && active_->region == i) {
        uint64_t taken = framesTaken(*active_, now.monoMs);
        if (auto total = finalTotal(*active_)) taken = std::min(taken, *total);
        return static_cast<int>(std::min<uint64_t>(taken, static_cast<uint64_t>(active_->capacity)));
    }
    return regions_.at(static_cast<size_t>(i)).rec.frames;
}

bool Camera::memoryFull() const {
    for (int i = 0; i < regionsInUse(); ++i)
        if (regions_[static_cast<size_t>(i)].rec.frames == 0 && activeRegion() != i) return false;
    return true;
}

void Camera::clearMemory() {
    for (RegionState& r : regions_)
        r = RegionState{};
}

void Camera::storeRecording(int region, int frames, int triggerPos, int64_t startClockMs) {
    const int cap = capacity();
    frames = std::clamp(frames, 0, cap);
    RegionState& r = regions_.at(static_cast<size_t>(region));
    r = RegionState{};
    if (frames == 0) return;
    r.rec.settings = currentSettings();
    r.rec.startEpochMs = startClockMs;
    r.rec.firstSeq = 0;
    r.rec.frames = frames;
    r.rec.realFrameBase = region * cap;
    r.triggerPos = triggerPos < 0 ? -1 : triggerPos;
    r.rec.triggerIndex = (triggerPos >= 0 && triggerPos < frames) ? frames - 1 - triggerPos : -1;
}

uint64_t Camera::framesTaken(const Active& a, int64_t monoMs) const {
    const double fps = frameRate(a.settings.imageSize, a.settings.rateCode) * speed;
    const double elapsed = std::max<int64_t>(monoMs - a.startMono, 0) / 1000.0;
    const double taken = std::floor(elapsed * fps);
    return taken >= 4e9 ? 4000000000ull : static_cast<uint64_t>(taken);
}

std::optional<uint64_t> Camera::finalTotal(const Active& a) const {
    if (a.trigMode == 0)
        return static_cast<uint64_t>(a.capacity); // everything after the start is post-trigger
    if (a.triggered) return a.trigSeq + static_cast<uint64_t>(a.postCount) + 1;
    return std::nullopt; // ring recording until a trigger comes
}

int Camera::startRecording(const Now& now) {
    update(now);
    if (active_) return 500;
    if (liveMode) return 501;
    int target = -1;
    for (int i = 0; i < regionsInUse() && target < 0; ++i)
        if (regions_[static_cast<size_t>(i)].rec.frames == 0) target = i;
    if (target < 0 || capacity() == 0) return 502;
    Active a;
    a.region = target;
    a.startMono = now.monoMs;
    a.startClockMs = clockMs(now);
    a.settings = currentSettings();
    a.capacity = capacity();
    a.trigMode = mode.trigMode;
    a.postCount = mode.trigMode == 2 ? 0 : std::min(mode.postCount, a.capacity);
    a.triggered = mode.trigMode == 0;
    a.trigSeq = 0;
    active_ = a;
    return 200;
}

int Camera::stopRecording(const Now& now) {
    update(now);
    if (liveMode) return 501;
    if (!active_) return 500;
    uint64_t total = framesTaken(*active_, now.monoMs);
    if (auto end = finalTotal(*active_)) total = std::min(total, *end);
    finish(*active_, total);
    return 200;
}

int Camera::trigger(const Now& now) {
    update(now);
    if (!active_) return 501;
    if (active_->triggered) return 500; // already counting post-trigger frames
    active_->triggered = true;
    active_->trigSeq = framesTaken(*active_, now.monoMs);
    update(now);
    return 200;
}

void Camera::update(const Now& now) {
    if (!active_) return;
    const auto total = finalTotal(*active_);
    if (total && framesTaken(*active_, now.monoMs) >= *total) finish(*active_, *total);
}

int64_t Camera::msUntilDone(const Now& now) const {
    if (!active_) return -1;
    const auto total = finalTotal(*active_);
    if (!total) return -1;
    const double fps = frameRate(active_->settings.imageSize, active_->settings.rateCode) * speed;
    if (fps <= 0) return -1;
    const double endMs = static_cast<double>(*total) * 1000.0 / fps;
    const double left = endMs - static_cast<double>(now.monoMs - active_->startMono);
    return left <= 0 ? 0 : static_cast<int64_t>(std::ceil(left)) + 1;
}

void Camera::finish(const Active& a, uint64_t total) {
    RegionState& r = regions_.at(static_cast<size_t>(a.region));
    r = RegionState{};
    const uint64_t kept = std::min<uint64_t>(total, static_cast<uint64_t>(a.capacity));
    if (kept > 0) {
        r.rec.settings = a.settings;
        r.rec.startEpochMs = a.startClockMs;
        r.rec.firstSeq = static_cast<uint32_t>(total - kept);
        r.rec.frames = static_cast<int>(kept);
        r.rec.realFrameBase = a.region * a.capacity;
        if (a.triggered && a.trigSeq < total) {
            r.triggerPos = static_cast<int>(std::min<uint64_t>(total - 1 - a.trigSeq, 0x7fffffff));
            r.rec.triggerIndex =
                a.trigSeq >= total - kept ? static_cast<int>(a.trigSeq - (total - kept)) : -1;
        }
    }
    active_.reset();
}

} // namespace zrkcam
