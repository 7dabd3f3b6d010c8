#include "console/console_rules.h"

#include "protocol/code_tables.h"

namespace {

QString FrameRateCaption(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kFrameRates.size()) return {};
    return QString::fromLatin1(kFrameRates[static_cast<std::size_t>(index)].caption);
}

QString SizeCaption(int32_t size) {
    if (size < 0 || static_cast<std::size_t>(size) >= kImageSizes.size()) return {};
    return QString::fromLatin1(kImageSizes[static_cast<std::size_t>(size)].caption);
}

} // namespace

std::optional<ConsoleButtons> ConsoleButtonStates(int32_t camMode, int32_t runState, int32_t dataState) {
    const bool live = camMode == 1;
    const bool idle = camMode == 0 && runState == 0;
    const bool recording = camMode == 0 && runState == 1;
    if (recording)
        return ConsoleButtons{false, false, true,  true,  false,
                              false, false, false, false, StartBackground::Red};
    if (!live && !idle) return std::nullopt;
    // The idle rows put "Start" back to the plain button face; the LIVE rows leave it alone.
    const StartBackground face = idle ? StartBackground::ButtonFace : StartBackground::Keep;
    switch (dataState) {
    case 0:
        return ConsoleButtons{true, true, false, false, false, false, true, true, true, face};
    case 1:
        return ConsoleButtons{true, true, false, false, true, true, false, false, false, face};
    case 2:
        return ConsoleButtons{false, false, false, false, true, true, false, false, false, face};
    default:
        return std::nullopt;
    }
}

std::array<RegionLabel, 4> RegionLabels(const std::array<RegionCount, 4>& regions, int32_t runState,
                                        int32_t partition) {
    std::array<RegionLabel, 4> out{};
    for (std::size_t i = 0; i < regions.size(); ++i) {
        const RegionCount& r = regions[i];
        if (r.Capacity == 0) {
            out[i] = {QString(), RegionColour::Yellow};
            continue;
        }
        out[i].text = QString::number(r.Recorded) + u'/' + QString::number(r.Capacity);
        const bool holds = r.Recorded != 0;
        if (runState == 0) {
            out[i].colour = holds ? RegionColour::LightBlue : RegionColour::Yellow;
        } else if (runState == 1) {
            // The region being recorded into is the last one with frames: the last region in use,
            // or one whose successor is still empty. The last table entry has no successor.
            const bool last = static_cast<int32_t>(i) >= partition || i + 1 >= regions.size();
            const bool beingRecorded = last || regions[i + 1].Recorded == 0;
            out[i].colour = !holds          ? RegionColour::Yellow
                            : beingRecorded ? RegionColour::Red
                                            : RegionColour::LightBlue;
        } else {
            out[i].colour = RegionColour::Keep;
        }
    }
    return out;
}

uint32_t RegionColourRgb(RegionColour colour) {
    switch (colour) {
    case RegionColour::Yellow:
        return 0xFFFF00;
    case RegionColour::LightBlue:
        return 0x8080FF;
    case RegionColour::Red:
        return 0xFF0000;
    case RegionColour::Keep:
        break;
    }
    return 0;
}

std::optional<QSize> FrameSize(int32_t imageSize) {
    if (imageSize < 0 || imageSize > 3) return std::nullopt;
    const ImageSizeInfo& s = kImageSizes[static_cast<std::size_t>(imageSize)];
    return QSize(s.width, s.height);
}

std::optional<QSize> DrawnSize(int32_t imageSize) {
    const std::optional<QSize> frame = FrameSize(imageSize);
    if (!frame) return std::nullopt;
    // The two small sizes are shown doubled.
    return imageSize <= 1 ? *frame * 2 : *frame;
}

std::optional<QRect> PreviewArea(int32_t imageSize) {
    const std::optional<QSize> drawn = DrawnSize(imageSize);
    if (!drawn) return std::nullopt;
    constexpr int kSquare = 516, kOrigin = 4, kBorder = 4;
    const int w = drawn->width() + kBorder, h = drawn->height() + kBorder;
    return QRect((kSquare - w) / 2 + kOrigin, (kSquare - h) / 2 + kOrigin, w, h);
}

RecordModeCaptions CaptionsOf(const RecordMode& mode) {
    RecordModeCaptions c;
    if (mode.SpeedMode == 0) {
        c.speed = FrameRateCaption(mode.RateHigh);
        c.shutter = Caption(kShutterHighCaptions, mode.ShutterHigh);
    } else {
        c.speed = Caption(kSlowRateCaptions, mode.RateLow);
        c.shutter = Caption(kShutterLowCaptions, mode.ShutterLow);
    }
    c.size = SizeCaption(mode.ImageSize);
    c.partition = QString::number(int64_t{mode.Partition} + 1);
    c.trigger = Caption(kTrigModeCaptions, mode.TrigMode);
    c.postCount = QString::number(mode.PostCount);
    return c;
}

QString ConsoleCaption(const std::array<uint8_t, 4>& a) {
    return QStringLiteral("Record - %1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}
