#include "reference.h"

#include <algorithm>
#include <cmath>

namespace ref {
namespace {

unsigned hv(unsigned x) {
    return x / 2;
}

struct Site {
    unsigned up, down, left, right, upLeft, upRight, downLeft, downRight, centre;
};

unsigned meanOfTwo(Form f, unsigned a, unsigned b) {
    return f == Form::Packed ? hv(a) + hv(b) : std::min(255u, (64 * (a + b)) >> 7);
}

unsigned diagonalMean(Form f, const Site& s) {
    if (f == Form::Packed) return hv(hv(s.upLeft) + hv(s.downLeft)) + hv(hv(s.upRight) + hv(s.downRight));
    return std::min(255u, (32 * (s.upLeft + s.upRight + s.downLeft + s.downRight)) >> 7);
}

unsigned orthogonalMean(Form f, const Site& s) {
    if (f == Form::Packed) return hv(hv(s.up) + hv(s.down)) + hv(hv(s.left) + hv(s.right));
    return std::min(255u, (32 * (s.up + s.down + s.left + s.right)) >> 7);
}

unsigned greenAtGreen(Form f, const Site& s) {
    if (f == Form::Packed) return hv(s.centre) + hv(diagonalMean(f, s));
    return std::min(255u, (128 * s.centre + 32 * (s.upLeft + s.upRight + s.downLeft + s.downRight)) >> 8);
}

} // namespace

std::vector<uint8_t> reconstruct(const std::vector<uint8_t>& raw, unsigned w, unsigned h, Form form,
                                 const Params& p) {
    std::vector<uint8_t> red(w * h, 0xAA), green(w * h, 0xAA), blue(w * h, 0xAA);
    // Step 1: plane rows 0 and h-1 are black; raw row r goes to plane row h-1-r.
    for (unsigned c = 0; c < w; ++c) {
        red[c] = green[c] = blue[c] = 0;
        red[(h - 1) * w + c] = green[(h - 1) * w + c] = blue[(h - 1) * w + c] = 0;
    }
    auto at = [&](unsigned r, unsigned c) { return unsigned{raw[r * w + c]}; };
    for (unsigned r = 1; r + 1 < h; ++r) {
        std::vector<unsigned> lr(w, 0), lg(w, 0), lb(w, 0);
        for (unsigned c = 1; c + 1 < w; ++c) {
            const Site s{at(r - 1, c),     at(r + 1, c),     at(r, c - 1),     at(r, c + 1), at(r - 1, c - 1),
                         at(r - 1, c + 1), at(r + 1, c - 1), at(r + 1, c + 1), at(r, c)};
            const bool oddRow = r % 2 == 1, oddCol = c % 2 == 1;
            if (oddRow && oddCol) { // red site
                lr[c] = s.centre;
                lg[c] = orthogonalMean(form, s);
                lb[c] = diagonalMean(form, s);
            } else if (oddRow) { // green between reds
                lr[c] = meanOfTwo(form, s.left, s.right);
                lg[c] = greenAtGreen(form, s);
                lb[c] = meanOfTwo(form, s.up, s.down);
            } else if (oddCol) { // green between blues
                lr[c] = meanOfTwo(form, s.up, s.down);
                lg[c] = greenAtGreen(form, s);
                lb[c] = meanOfTwo(form, s.left, s.right);
            } else { // blue site
                lr[c] = diagonalMean(form, s);
                lg[c] = orthogonalMean(form, s);
                lb[c] = s.centre;
            }
        }
        const unsigned k = h - 1 - r;
        for (unsigned c = 0; c < w; ++c) {
            red[k * w + c] = static_cast<uint8_t>(std::min(255u, (lr[c] * p.redGain) >> 7));
            green[k * w + c] = static_cast<uint8_t>(std::min(255u, (lg[c] * p.greenGain) >> 7));
            blue[k * w + c] = static_cast<uint8_t>(std::min(255u, (lb[c] * p.blueGain) >> 7));
        }
    }
    // Step 2: gamma on plane rows 1..h-1, columns 1..w-1.
    if (p.gamma != 100) {
        uint8_t table[256];
        for (unsigned v = 0; v < 256; ++v)
            table[v] = static_cast<uint8_t>(std::trunc(std::pow(v / 255.0, p.gamma / 100.0) * 255.0));
        for (auto* plane : {&red, &green, &blue})
            for (unsigned k = 1; k < h; ++k)
                for (unsigned c = 1; c < w; ++c)
                    (*plane)[k * w + c] = table[(*plane)[k * w + c]];
    }
    // Step 3: unsharp mask, blur of all planes first.
    if (p.radius != 0 && p.strength != 0 && p.radius > 0) {
        const int rad = p.radius;
        std::vector<uint8_t> blur[3];
        std::vector<uint8_t>* planes[3] = {&red, &green, &blue};
        for (int i = 0; i < 3; ++i) {
            blur[i].resize(w * h);
            for (int y = 0; y < static_cast<int>(h); ++y)
                for (int x = 0; x < static_cast<int>(w); ++x) {
                    unsigned sum = 0, count = 0;
                    for (int yy = y - rad; yy <= y + rad; ++yy)
                        for (int xx = x - rad; xx <= x + rad; ++xx)
                            if (yy >= 0 && yy < static_cast<int>(h) && xx >= 0 && xx < static_cast<int>(w)) {
                                sum += (*planes[i])[yy * w + xx];
                                ++count;
                            }
                    blur[i][y * w + x] = static_cast<uint8_t>(sum / count);
                }
        }
        const int k = p.strength / 100;
        for (int i = 0; i < 3; ++i)
            for (unsigned j = 0; j < w * h; ++j) {
                const int value = (*planes[i])[j];
                const int d = value - blur[i][j];
                int result = value + d * k;
                if (d < 0 && result <= 0) result = 0;
                if (d >= 0 && result >= 255) result = 255;
                (*planes[i])[j] = static_cast<uint8_t>(std::clamp(result, 0, 255));
            }
    }
    // Step 4: interleave, bitmap row k from plane row k.
    std::vector<uint8_t> out(3 * w * h);
    for (unsigned k = 0; k < h; ++k)
        for (unsigned x = 0; x < w; ++x) {
            out[k * 3 * w + 3 * x] = blue[k * w + x];
            out[k * 3 * w + 3 * x + 1] = green[k * w + x];
            out[k * 3 * w + 3 * x + 2] = red[k * w + x];
        }
    return out;
}

} // namespace ref
