// A run of frames made into one movie: the frame loop with its progress, cancel and failure rules.
// The caller draws each frame (the same reconstruction every other export uses) into the writer's
// picture; the loop owns no frame memory of its own.
#pragma once

#include "movie_writer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zrk::movie {

struct MovieRun {
    std::string path;
    MovieSettings settings;
    uint32_t first = 0, last = 0; // frames first..last, first <= last
};

// Draws frame `frame` into pixels (32-bit 0xffRRGGBB, top row first, stride bytes a row): 0, or the
// caller's failure code, which stops the movie.
using DrawFrame = std::function<int(uint32_t frame, uint8_t* pixels, int stride)>;
// Called with done = 0 before the file is created and after every frame; true stops the run.
using Cancelled = std::function<bool(uint32_t done, uint32_t total)>;

struct MovieOutcome {
    Result result = Result::Ok;
    int drawStatus = 0;    // the draw failure's code when result is SourceFailed
    int64_t frames = 0;    // frames in the movie left on disk (0 when none was left)
    bool fileLeft = false; // a playable movie is on disk
    std::string detail;    // the codec library's words on a failure
};

// Every exit leaves a playable movie of the frames written, or no file at all.
MovieOutcome MakeMovie(const MovieRun& run, const DrawFrame& draw, const Cancelled& cancelled);

} // namespace zrk::movie
