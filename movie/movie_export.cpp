#include "movie_export.h"

namespace zrk::movie {

namespace {

// Ends a run that stops early: the frames so far become the movie, unless finishing fails.
MovieOutcome stop(MovieWriter& writer, Result why, int drawStatus = 0) {
    MovieOutcome out;
    const int64_t frames = writer.framesWritten();
    const Result finished = writer.finish();
    out.result = finished == Result::Ok ? why : finished;
    out.drawStatus = drawStatus;
    out.fileLeft = finished == Result::Ok;
    out.frames = out.fileLeft ? frames : 0;
    out.detail = writer.detail();
    return out;
}

} // namespace

MovieOutcome MakeMovie(const MovieRun& run, const DrawFrame& draw, const Cancelled& cancelled) {
    MovieOutcome out;
    if (run.first > run.last || !SettingsValid(run.settings) || run.path.empty()) {
        out.result = Result::BadArguments;
        return out;
    }
    const uint32_t total = run.last - run.first + 1;
    if (cancelled && cancelled(0, total)) {
        out.result = Result::Cancelled;
        return out;
    }
    MovieWriter writer;
    if (const Result r = writer.open(run.path, run.settings); r != Result::Ok) {
        out.result = r;
        out.detail = writer.detail();
        return out;
    }
    for (uint32_t done = 0; done < total; ++done) {
        if (const int code = draw(run.first + done, writer.pixels(), writer.stride()); code != 0)
            return stop(writer, Result::SourceFailed, code);
        if (writer.writeFrame() != Result::Ok) return stop(writer, Result::WriteFailed);
        if (cancelled && cancelled(done + 1, total)) return stop(writer, Result::Cancelled);
    }
    return stop(writer, Result::Ok);
}

} // namespace zrk::movie
