// A plain, step-by-step rendering of the reconstruction rules, kept independent of the library's code
// so that the vector kernels and the fused row pipeline can be checked against it.
#pragma once

#include <cstdint>
#include <vector>

namespace ref {

enum class Form { Packed, Scalar };

struct Params {
    uint8_t blueGain = 128;
    uint8_t greenGain = 128;
    uint8_t redGain = 128;
    unsigned gamma = 100;
    int radius = 0;
    int strength = 0;
};

// The 24-bit bottom-up pixel array (stride 3 * w for the supported widths).
std::vector<uint8_t> reconstruct(const std::vector<uint8_t>& raw, unsigned w, unsigned h, Form form,
                                 const Params& p);

} // namespace ref
