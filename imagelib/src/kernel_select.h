// Which kernels run: the best packed form this processor offers unless ZRKIMAGE_ARITHMETIC says otherwise.
#pragma once

#include "kernels.h"

namespace zrk::image {

enum class KernelChoice { Best, Scalar, PackedPortable, PackedSse2, PackedAvx2 };

// The kernels for a choice; a vector form the processor lacks gives the best one it has.
const RowKernels& kernelsFor(KernelChoice choice);

// ZRKIMAGE_ARITHMETIC = scalar | packed | packed-portable | packed-sse2 | packed-avx2.
KernelChoice choiceFromEnvironment();

const RowKernels& activeKernels();

} // namespace zrk::image
