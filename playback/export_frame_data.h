// "Frame data (CSV)" of the conversion dialog: the frame table of what an export wrote, as NAME.csv
// beside the movie or in the bitmap folder.
#pragma once

#include <QString>
#include <cstdint>

// The table's file for a movie: the movie's name with ".csv" in place of its suffix (after it when
// there is none, or when the movie itself ends in ".csv").
QString FrameDataBesideMovie(const QString& movie);
// The table's file for a bitmap sequence: the data file's base name + ".csv" in the export folder.
QString FrameDataInFolder();

// Writes the rows of frames start, start + step, ... up to end of the open file to path when the
// dialog's tick asked for it; a failure is reported. Returns nothing: the export itself succeeded.
void WriteExportFrameData(const QString& path, int32_t start, int32_t end, int32_t step);
