// The per-frame entry points must not allocate: every allocation in the process is counted while they run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "tests/imagelib/test_support.h"

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
}

namespace {
[[maybe_unused]] std::atomic<bool> g_counting{false}; // unused where the sanitizer skips the test
[[maybe_unused]] std::atomic<long> g_allocations{0};
} // namespace

#if !defined(ZRK_SANITIZED)
namespace {
void count() {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

// Replacing the allocator would fight the sanitizer's own; the sanitizer build skips this test.
extern "C" {
void* malloc(std::size_t n) {
    count();
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t m) {
    count();
    return __libc_calloc(n, m);
}
void* realloc(void* p, std::size_t n) {
    count();
    return __libc_realloc(p, n);
}
void* aligned_alloc(std::size_t a, std::size_t n) {
    count();
    return __libc_memalign(a, n);
}
int posix_memalign(void** out, std::size_t a, std::size_t n) {
    count();
    *out = __libc_memalign(a, n);
    return *out ? 0 : 12;
}
}
#endif

using namespace testsupport;

TEST(NoAllocation, EntryPointsAllocateNothingPerCall) {
#if defined(ZRK_SANITIZED)
    GTEST_SKIP() << "allocation counting needs the plain allocator";
#else
    TempDir dir;
    const std::string data = dir.file("clip.dat"), bmp = dir.file("00000.bmp"), avi = dir.file("clip.avi");
    auto record = frameRecord(512, 512, 0, 150, 128, 100, 77);
    fillPattern(record, 5);
    writeDataFile(data, {record, record});
    Surface s(1024, 1024);
    const ZRK_ENHANCE plain{0, 0}, sharp{1, 100};
    const uint16_t gains[3] = {140, 128, 120};
    int16_t status = 0;
    long results = 0;
    auto frameCalls = [&] {
        results += CombRGB_Play(&s.s, data.c_str(), 512, 512, 512, 512, &plain, nullptr, 32, 1, &status);
        results += CombRGB_Play(&s.s, data.c_str(), 512, 512, 1024, 1024, &sharp, nullptr, 32, 0, &status);
        results += CombRGB_Live(&s.s, record.data(), 512, 512, 512, 512, gains, 50, &sharp, nullptr, &status);
        results += CombRGB_ThumbNail(&s.s, record.data(), 512, 512, 113, 113, &plain, nullptr, &status);
        results += CombRGB_File(data.c_str(), bmp.c_str(), 512, 512, &plain, 32, 0, &status);
        results +=
            CombRGB_Play(&s.s, data.c_str(), 512, 512, 512, 512, &plain, nullptr, 32, 9, &status); // fails
        // A whole movie: its indexes are built from the frame positions, not kept per frame.
        results += CombRGB_AVI(nullptr, data.c_str(), avi.c_str(), 512, 512, &sharp, 32, 0, 1, 20, &status);
    };
    frameCalls(); // first calls may settle lazily bound symbols
    results = 0;
    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < 5; ++i)
        frameCalls();
    g_counting = false;
    EXPECT_EQ(results, 30);
    EXPECT_EQ(g_allocations.load(), 0);
    // The counter itself works.
    g_counting = true;
    void* volatile p = std::malloc(16);
    g_counting = false;
    std::free(p);
    EXPECT_EQ(g_allocations.load(), 1);
#endif
}
