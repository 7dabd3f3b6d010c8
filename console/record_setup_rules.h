// Which record settings go together: the pure rules behind the record settings dialog.
#pragma once

#include <QStringList>
#include <cstdint>

// Image size a high-speed frame-rate index forces; -1 for an index outside the list.
int32_t SizeOfRate(int32_t rateIndex);
// The frame-rate list (speed 0), the slow-rate list (speed 1), empty for any other speed.
QStringList RateList(int32_t speedMode);
// The shutter list: "1/100000" is offered only at 200x200; empty for an unknown speed.
QStringList ShutterList(int32_t speedMode, int32_t imageSize);
inline const QStringList kSizeList{"200x200", "256x256", "512x256", "512x512"};
QStringList StrobeList();
inline const QStringList kPartitionList{"1", "2", "3", "4"};

// n / d rounded to the nearest integer, halves to even (n >= 0, d > 0).
int32_t RoundHalfEven(int32_t n, int32_t d);

// The slider of frames before the trigger and what the region labels read for one choice of
// memory, size, regions and trigger mode.
struct RegionInfo {
    int32_t capacity;   // frames per region
    int32_t regions[4]; // what each region label reads: capacity, or 0 past the last region
};
RegionInfo RegionInfoFor(int32_t memCode, int32_t imageSize, int32_t partition);
