#include "kernel_select.h"

#include <cstdlib>
#include <cstring>

namespace zrk::image {
namespace {

bool hasAvx2() {
#if defined(ZRK_X86_KERNELS)
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
#else
    return false;
#endif
}

const RowKernels& bestPacked() {
#if defined(ZRK_X86_KERNELS)
    if (hasAvx2()) return *packedAvx2();
    return *packedSse2(); // part of every x86-64 processor
#else
    return kPackedPortable;
#endif
}

} // namespace

const RowKernels& kernelsFor(KernelChoice choice) {
    switch (choice) {
    case KernelChoice::Scalar:
        return kScalar;
    case KernelChoice::PackedPortable:
        return kPackedPortable;
#if defined(ZRK_X86_KERNELS)
    case KernelChoice::PackedSse2:
        return *packedSse2();
    case KernelChoice::PackedAvx2:
        return hasAvx2() ? *packedAvx2() : *packedSse2();
#else
    case KernelChoice::PackedSse2:
    case KernelChoice::PackedAvx2:
        return kPackedPortable;
#endif
    case KernelChoice::Best:
        break;
    }
    return bestPacked();
}

KernelChoice choiceFromEnvironment() {
    const char* value = std::getenv("ZRKIMAGE_ARITHMETIC");
    if (!value) return KernelChoice::Best;
    if (std::strcmp(value, "scalar") == 0) return KernelChoice::Scalar;
    if (std::strcmp(value, "packed-portable") == 0) return KernelChoice::PackedPortable;
    if (std::strcmp(value, "packed-sse2") == 0) return KernelChoice::PackedSse2;
    if (std::strcmp(value, "packed-avx2") == 0) return KernelChoice::PackedAvx2;
    return KernelChoice::Best;
}

const RowKernels& activeKernels() {
    // Asked per call, like the processor check, so a test or a comparison run can switch forms.
    return kernelsFor(choiceFromEnvironment());
}

} // namespace zrk::image
