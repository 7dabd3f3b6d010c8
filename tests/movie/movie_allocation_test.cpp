// The movie's own code allocates nothing per frame: every C++ allocation in the process is counted
// while movies of 3 and of 23 frames are made (the codec libraries, written in C, allocate what they
// need through malloc and are not counted).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "movie/movie_export.h"

namespace {
[[maybe_unused]] std::atomic<bool> g_counting{false}; // unused where the sanitizer skips the test
[[maybe_unused]] std::atomic<long> g_allocations{0};
} // namespace

#if !defined(ZRK_SANITIZED)
// Replacing the allocator would fight the sanitizer's own; the sanitizer build skips this test.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop
#endif

namespace {

using namespace zrk::movie;

long allocationsFor(Codec codec, uint32_t frames, const std::string& path) {
    MovieRun run;
    run.path = path;
    run.settings.codec = codec;
    run.settings.width = 64;
    run.settings.height = 48;
    run.first = 0;
    run.last = frames - 1;
    const DrawFrame draw = [](uint32_t frame, uint8_t* pixels, int stride) {
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64 * 4; ++x)
                pixels[y * stride + x] = static_cast<uint8_t>(x + y + frame);
        return 0;
    };
    const Cancelled never = [](uint32_t, uint32_t) { return false; };
    g_allocations = 0;
    g_counting = true;
    const MovieOutcome out = MakeMovie(run, draw, never);
    g_counting = false;
    EXPECT_EQ(out.result, Result::Ok) << out.detail;
    EXPECT_EQ(out.frames, frames);
    std::remove(path.c_str());
    return g_allocations.load();
}

TEST(MovieAllocation, NothingPerFrame) {
#if defined(ZRK_SANITIZED)
    GTEST_SKIP() << "the sanitizer's allocator is not replaced";
#endif
    const std::string path = ::testing::TempDir() + "zrkmovie_allocation";
    for (const auto& [codec, suffix] : {std::pair{Codec::H264, ".mp4"}, std::pair{Codec::Ffv1, ".mkv"}}) {
        SCOPED_TRACE(suffix);
        EXPECT_EQ(allocationsFor(codec, 3, path + suffix), allocationsFor(codec, 23, path + suffix));
    }
}

} // namespace
