// The shareable movies of the open data file: H.264 in MP4 and lossless FFV1 in Matroska, made from
// the same reconstruction as the AVI export (the headers' gains and gamma, the player's sharpening),
// on the user-interface thread with the export progress window up.
#pragma once

#include "imagelib/include/zrk_frame_header.h"
#include "movie/movie_writer.h"

#include <QString>
#include <cstdint>

// The rate the camera recorded at, from a frame header's size and rate codes; 0 when they are not
// codes the camera writes.
double RecordingRate(const ZRK_FRAME_HEADER& header);

// "2,047 frames at 30 fps = 68.2 s, 66.7× slower" for frames start..end of the open file.
QString SlowMotionCaption(int32_t start, int32_t end, int32_t rate);

// True while a movie is being made; a cancel asked for stops it after the frame in hand.
bool MovieExportRunning();
void RequestMovieExportCancel();

// Frames start..end as one movie at rate frames per second (quality: the H.264 rate factor), to a file
// the operator chooses. Failures are said in a message box; a cancel is not.
void ExportMovie(zrk::movie::Codec codec, int32_t start, int32_t end, int32_t rate,
                 int32_t quality = zrk::movie::kDefaultQuality);
