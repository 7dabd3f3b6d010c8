#include "console/record_setup_rules.h"

#include "protocol/code_tables.h"

int32_t SizeOfRate(int32_t rateIndex) {
    if (rateIndex < 0 || static_cast<std::size_t>(rateIndex) >= kFrameRates.size()) return -1;
    return kFrameRates[static_cast<std::size_t>(rateIndex)].imageSize;
}

QStringList RateList(int32_t speedMode) {
    QStringList out;
    if (speedMode == 0)
        for (const FrameRateInfo& r : kFrameRates)
            out << QString::fromLatin1(r.caption);
    else if (speedMode == 1)
        for (const char* c : kSlowRateCaptions)
            out << QString::fromLatin1(c);
    return out;
}

QStringList ShutterList(int32_t speedMode, int32_t imageSize) {
    QStringList out;
    if (speedMode == 0)
        for (const char* c : kShutterHighCaptions)
            out << QString::fromLatin1(c);
    else if (speedMode == 1)
        for (const char* c : kShutterLowCaptions)
            out << QString::fromLatin1(c);
    // The fastest shutter needs the smallest picture.
    if (!out.isEmpty() && imageSize != 0) out.removeLast();
    return out;
}

QStringList StrobeList() {
    QStringList out;
    for (const char* c : kStrobeCaptions)
        out << QString::fromLatin1(c);
    return out;
}

int32_t RoundHalfEven(int32_t n, int32_t d) {
    const int32_t q = n / d, r = n % d;
    if (2 * r > d) return q + 1;
    if (2 * r == d) return q + (q & 1);
    return q;
}

RegionInfo RegionInfoFor(int32_t memCode, int32_t imageSize, int32_t partition) {
    RegionInfo info{RegionCapacity(memCode, imageSize, partition), {}};
    for (int i = 0; i < 4; ++i)
        info.regions[i] = i <= partition ? info.capacity : 0;
    return info;
}
