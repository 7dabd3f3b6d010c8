// Records shared by several subsystems: the command queue slot, the camera's setting records
// and the fixed frame buffers. Plain data only; the code tables that give them meaning live
// in protocol/command_set.h.
#pragma once

#include <QString>
#include <any>
#include <cstdint>

struct FrameBuffer {
    void* handle = nullptr;     // owning pointer of the block (0 when not allocated)
    uint8_t* address = nullptr; // fixed address of the block (0 when not allocated)
    int16_t inUse = 0;          // -1: holds a complete live frame not yet shown
};

// One slot of the command ring.
struct CommandEntry {
    int32_t Id = 0;
    QString Text; // the line without its terminator, exactly as it goes on the wire
    int16_t Extra = 0;
    // The value a set command carries; it becomes current when the camera accepts the command,
    // whatever the dialog's "New" variable holds by then. Empty for queries.
    std::any Sent;
};

struct RecordMode {
    int32_t SpeedMode = 0;
    int32_t RateHigh = 0;
    int32_t RateLow = 0;
    int32_t ImageSize = 0;
    int32_t ShutterHigh = 0;
    int32_t ShutterLow = 0;
    int32_t StrobeDelay = 0;
    int32_t Partition = 0;
    int32_t TrigMode = 0;
    int32_t PostCount = 0;
    bool operator==(const RecordMode&) const = default;
};

struct GammaSetting {
    int32_t Index = 0;
    int32_t Value = 100;
    bool operator==(const GammaSetting&) const = default;
};

struct WhiteBalance {
    int32_t Preset = 6;
    int16_t Red = 128;
    int16_t Green = 128;
    int16_t Blue = 128;
    bool operator==(const WhiteBalance&) const = default;
};

struct UserWhiteBalance {
    int16_t Red = 128;
    int16_t Green = 128;
    int16_t Blue = 128;
};

struct DownloadRequest {
    int32_t Region = 0;
    int32_t Offset = 0; // counted back from the region's end, the last frame being 1
    int32_t Count = 0;
};

struct RegionCount {
    int16_t Recorded = 0;
    int16_t Capacity = 0;
};

struct ThumbEntry {
    int16_t Offset = 0;
    int16_t FrameNo = 0;
};

// Every frame buffer holds the largest frame record plus spare bytes the image library may read past it.
constexpr int kFrameRecordMax = 262272;
constexpr int kFrameBufferSpare = 16;
constexpr int kFrameBufferBytes = kFrameRecordMax + kFrameBufferSpare;
constexpr int kCmdQueueSlots = 256;
