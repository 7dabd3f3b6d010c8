#include "frame_render.h"

#include "tables.h"
#include "zrk_frame_header.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zrkcam {

// Calendar conversions after the well-known days-from-civil algorithm (proleptic Gregorian).
int64_t toEpochSeconds(const CivilTime& t) {
    const int y = t.year - (t.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (t.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime fromEpochSeconds(int64_t secs) {
    int64_t days = secs / 86400;
    int64_t rem = secs % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem / 60 % 60);
    t.second = static_cast<int>(rem % 60);
    return t;
}

bool civilTimeValid(const CivilTime& t) {
    if (t.year < 1970 || t.year > 2099 || t.month < 1 || t.month > 12) return false;
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    return t.day >= 1 && t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 59;
}

FrameStamp recordedStamp(const Recording& rec, int region, int index) {
    FrameStamp s;
    s.region = region;
    s.number = static_cast<uint32_t>(index);
    s.seq = rec.firstSeq + static_cast<uint32_t>(index);
    const double fps = frameRate(rec.settings.imageSize, rec.settings.rateCode);
    const double offsetMs = fps > 0 ? s.seq * 1000.0 / fps : 0.0;
    s.epochMs = rec.startEpochMs + static_cast<int64_t>(offsetMs);
    s.realFrame = static_cast<uint16_t>(rec.realFrameBase + index);
    s.trigger = index == rec.triggerIndex;
    return s;
}

int16_t analogValue(int analogGain, uint32_t seq, double fps) {
    if (analogGain <= 0 || fps <= 0) return 0;
    // A 0.7 Hz test signal on the analog input, scaled by the input gain.
    const double t = seq / fps;
    return static_cast<int16_t>(std::lround(std::sin(t * 2 * M_PI * 0.7) * 250.0 * analogGain));
}

namespace {

struct Color {
    int r, g, b;
};

// 5x7 glyphs, one byte per row, bit 4 is the leftmost column.
struct Glyph {
    char ch;
    uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
};

const uint8_t* glyphRows(char ch) {
    for (const Glyph& g : kFont)
        if (g.ch == ch) return g.rows;
    return nullptr; // blank
}

inline uint8_t clampByte(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// The sample a site behind the blue/green - green/red mosaic takes from a colour.
inline uint8_t site(const Color& c, int x, int y) {
    if (y & 1) return static_cast<uint8_t>((x & 1) ? c.r : c.g);
    return static_cast<uint8_t>((x & 1) ? c.g : c.b);
}

inline int bounce(uint32_t pos, int span) {
    if (span <= 0) return 0;
    const uint32_t period = 2u * static_cast<uint32_t>(span);
    const int p = static_cast<int>(pos % period);
    return p < span ? p : 2 * span - p;
}

class Canvas {
public:
    Canvas(uint8_t* pixels, int w, int h) : px_(pixels), w_(w), h_(h) {}

    void fill(int x0, int y0, int x1, int y1, const Color& c) {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, w_);
        y1 = std::min(y1, h_);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                px_[y * w_ + x] = site(c, x, y);
    }

    void disc(int cx, int cy, int r, const Color& c) {
        for (int y = std::max(cy - r, 0); y <= std::min(cy + r, h_ - 1); ++y)
            for (int x = std::max(cx - r, 0); x <= std::min(cx + r, w_ - 1); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) px_[y * w_ + x] = site(c, x, y);
    }

    // Draws text with its top-left corner at (x, y); returns the width used.
    int text(const char* s, int x, int y, int scale, const Color& c) {
        int cx = x;
        for (; *s; ++s, cx += 6 * scale) {
            const uint8_t* rows = glyphRows(*s);
            if (!rows) continue;
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx)
                    if (rows[gy] & (0x10 >> gx))
                        fill(cx + gx * scale, y + gy * scale, cx + (gx + 1) * scale, y + (gy + 1) * scale, c);
        }
        return cx - x;
    }

private:
    uint8_t* px_;
    int w_;
    int h_;
};

void formatNumber(char* out, uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out[digits] = '\0';
}

void writeHeader(const RecordSettings& st, const FrameStamp& stamp, const ImageSizeInfo& size, uint8_t* out) {
    ZRK_FRAME_HEADER h;
    std::memset(&h, 0, sizeof h);
    h.magic[0] = 'Z';
    h.magic[1] = 'R';
    h.magic[2] = 'K';
    h.width = static_cast<uint16_t>(size.width);
    h.height = static_cast<uint16_t>(size.height);
    const int64_t secs = stamp.epochMs >= 0 ? stamp.epochMs / 1000 : (stamp.epochMs - 999) / 1000;
    const CivilTime t = fromEpochSeconds(secs);
    h.year = static_cast<int16_t>(t.year);
    h.month = static_cast<int16_t>(t.month);
    h.day = static_cast<int16_t>(t.day);
    h.hour = static_cast<int16_t>(t.hour);
    h.minute = static_cast<int16_t>(t.minute);
    h.second = static_cast<int16_t>(t.second);
    h.realFrame = stamp.realFrame;
    h.trigger = stamp.trigger ? 1 : 0;
    h.analog = analogValue(st.analogGain, stamp.seq, frameRate(st.imageSize, st.rateCode));
    h.redGain = static_cast<uint16_t>(st.red);
    h.greenGain = static_cast<uint16_t>(st.green);
    h.blueGain = static_cast<uint16_t>(st.blue);
    h.gamma = static_cast<uint16_t>(st.gamma);
    h.recordSpeed = st.rateCode;
    h.shutterCode = static_cast<int16_t>(st.shutterCode);
    h.gainCode = static_cast<int16_t>(st.gainCode);
    h.imageSizeCode = static_cast<int16_t>(st.imageSize);
    std::memcpy(out, &h, sizeof h);
}

} // namespace

int renderFrame(const RecordSettings& st, const FrameStamp& stamp, uint8_t* out) {
    const ImageSizeInfo* size = imageSize(st.imageSize);
    if (!size) return 0;
    const int w = size->width;
    const int h = size->height;
    writeHeader(st, stamp, *size, out);
    uint8_t* px = out + kFrameHeaderBytes;

    // Sensor gain brightens the whole scene a little per step.
    const int gainPct = 100 + 12 * std::clamp(st.gainCode, 0, 6);
    auto lit = [gainPct](Color c) {
        return Color{clampByte(c.r * gainPct / 100), clampByte(c.g * gainPct / 100),
                     clampByte(c.b * gainPct / 100)};
    };

    // Colour bars over the top two thirds: every row of the band is one of two mosaic rows, so the band is
    // built once per frame and copied, which keeps rendering far cheaper than sending.
    static constexpr Color kBars[8] = {{200, 200, 200}, {200, 200, 40}, {40, 200, 200}, {40, 200, 40},
                                       {200, 40, 200},  {200, 40, 40},  {40, 40, 200},  {20, 20, 20}};
    const int barsEnd = (h * 2 / 3) & ~1;
    for (int parity = 0; parity < 2; ++parity) {
        uint8_t* row = px + parity * w;
        for (int x = 0; x < w; ++x)
            row[x] = site(lit(kBars[x * 8 / w]), x, parity);
    }
    for (int y = 2; y < barsEnd; ++y)
        std::memcpy(px + y * w, px + (y & 1) * w, static_cast<size_t>(w));

    // A grey ramp below that scrolls with the frame sequence.
    for (int parity = 0; parity < 2; ++parity) {
        uint8_t* row = px + (barsEnd + parity) * w;
        for (int x = 0; x < w; ++x) {
            const int v = bounce(static_cast<uint32_t>(x * 2) + stamp.seq * 4u, 220);
            row[x] = site(lit(Color{v + 16, v + 16, v + 16}), x, parity);
        }
    }
    for (int y = barsEnd + 2; y < h; ++y)
        std::memcpy(px + y * w, px + (barsEnd + ((y - barsEnd) & 1)) * w, static_cast<size_t>(w));

    Canvas canvas(px, w, h);
    // The moving object: a disc bouncing over the bars, one step per frame.
    const int r = h / 10;
    const int cx = r + bounce(stamp.seq * 3u, w - 1 - 2 * r);
    const int cy = r + bounce(stamp.seq * 2u, barsEnd - 1 - 2 * r);
    canvas.disc(cx, cy, r, lit(Color{230, 150, 30}));
    canvas.disc(cx - r / 3, cy - r / 3, r / 4, lit(Color{250, 250, 220}));

    // The frame number (region and index, or "LIVE" and a counter), and a mark on the trigger frame.
    char label[24];
    if (stamp.region < 0) {
        std::memcpy(label, "LIVE ", 5);
        formatNumber(label + 5, stamp.number % 100000u, 5);
    } else {
        label[0] = 'R';
        label[1] = static_cast<char>('1' + std::clamp(stamp.region, 0, 8));
        label[2] = ' ';
        formatNumber(label + 3, stamp.number % 100000u, 5);
    }
    const int scale = w >= 512 ? 3 : 2;
    const int textY = h - 9 * scale;
    canvas.fill(0, textY - scale, w, h, Color{0, 0, 0});
    const int used = canvas.text(label, 2 * scale, textY, scale, Color{240, 240, 240});
    if (stamp.trigger) canvas.text("TRIG", 2 * scale + used + 6 * scale, textY, scale, Color{40, 240, 40});
    return w * h + kFrameHeaderBytes;
}

} // namespace zrkcam
