// Unsharp mask and interleave in one AVX2 pass (placeholder: filled in next).
#include "kernels_avx2.h"
