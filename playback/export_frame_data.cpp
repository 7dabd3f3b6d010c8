#include "playback/export_frame_data.h"

#include "base/ui_port.h"
#include "playback/frame_table.h"
#include "playback/playback_state.h"

#include <QFileInfo>

QString FrameDataBesideMovie(const QString& movie) {
    const QFileInfo info(movie);
    const QString suffix = info.suffix();
    // A movie that is itself called ".csv" keeps its name: the table goes after it.
    if (suffix.isEmpty() || suffix.compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0)
        return movie + QStringLiteral(".csv");
    return movie.left(movie.size() - suffix.size()) + QStringLiteral("csv");
}

QString FrameDataInFolder() {
    const PlaybackState& state = Playback();
    return state.exportFolder + QFileInfo(state.file.path).completeBaseName() + QStringLiteral(".csv");
}

void WriteExportFrameData(const QString& path, int32_t start, int32_t end, int32_t step) {
    const PlaybackState& state = Playback();
    if (!state.exportFrameData) return;
    const FrameTable table = ReadFrameTable(state.file, start, end, step);
    const QString title = QStringLiteral("Frame Data");
    if (!table.error.isEmpty()) {
        Ui().MessageBox(title, table.error, MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    if (!WriteFrameTableCsv(path, state.file, table))
        Ui().MessageBox(title, QStringLiteral("Cannot write to file."), MsgIcon::Information, MsgButtons::Ok);
}
