// The export stages of the fault matrix: every export format hit by every fault an export can meet
// (the operator's Cancel, a frame that cannot be read, a full disk). Whatever the cell, the same
// things must hold afterwards: at most one message box, with the export's title, and the text's
// where it owes one; the progress window closed and the player enabled; no export file left open;
// what was written is readable (a movie of the frames it claims); and nothing fires later.
#include "playback/export_run.h"
#include "playback/frm_convert.h"
#include "tests/imagelib/avi_reader.h"
#include "tests/imagelib/ffmpeg_reader.h"
#include "tests/playback/player_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

enum class Fault { Cancel, UnreadableFrame, DiskFull };

struct Format {
    ConvertFormat format;
    const char* title;
    const char* target;   // file, or folder for bitmaps
    rlim_t diskFullBytes; // a file-size limit the export runs into
};
const Format kFormats[] = {
    {ConvertFormat::Avi, "AVI File Conversion", "cell.avi", 700 * 1024},
    {ConvertFormat::DibSequence, "DIB Sequences Conversion", "cells", 100 * 1024},
    {ConvertFormat::Mp4, "MP4 File Conversion", "cell.mp4", 2 * 1024},
    {ConvertFormat::Mkv, "MKV File Conversion", "cell.mkv", 20 * 1024},
};

constexpr int32_t kRecord = 65664; // 128-byte header + 256 x 256

// Export files (movies, bitmaps) this process still has open.
QStringList OpenExportFiles() {
    QStringList open;
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        for (const char* suffix : {".avi", ".bmp", ".mp4", ".mkv"})
            if (target.endsWith(QLatin1String(suffix))) open << target;
    }
    return open;
}

// Frames a movie file holds by an independent reader; -1 when it cannot be read.
int MovieFrames(ConvertFormat format, const QString& path) {
    if (format == ConvertFormat::Avi) {
        const auto facts = testsupport::walkAvi(path.toStdString());
        return facts.error.empty() && facts.length == facts.idx1Entries ? static_cast<int>(facts.length) : -1;
    }
    const auto facts = testsupport::probeVideo(path.toStdString());
    const auto packets = facts.find("nb_read_packets");
    return packets == facts.end() ? -1 : std::stoi(packets->second);
}

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

TEST_F(PlayerTest, EveryExportFaultEndsWithOneTrueMessageAndAReadableResult) {
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
    for (const Format& f : kFormats) {
        for (const Fault fault : {Fault::Cancel, Fault::UnreadableFrame, Fault::DiskFull}) {
            SCOPED_TRACE(std::string(f.title) + " / " + std::to_string(static_cast<int>(fault)));
            ui.Clear();
            frmPlay* p = OpenClip({.frames = 10}, QStringLiteral("cell.dat"));
            ASSERT_NE(p, nullptr);
            const QString target = dir.file(f.target);
            QFile::remove(target);
            QDir(target).removeRecursively();
            if (f.format == ConvertFormat::DibSequence) {
                QDir().mkpath(target);
                Playback().exportFolder = target + u'/';
            } else {
                ui.fileAnswers.push_back(target);
            }
            bool fired = false;
            ui.exportCancelWhen = [&] {
                if (fired || ui.exportProgressValue != 3) return false;
                fired = true;
                if (fault == Fault::UnreadableFrame)
                    QFile::resize(dir.file("cell.dat"), 32 + 4 * kRecord - 10);
                return fault == Fault::Cancel;
            };
            ConvertChoice choice{f.format, 0, 9, 1, 20};
            {
                std::optional<FileSizeLimit> limit;
                if (fault == Fault::DiskFull) limit.emplace(f.diskFullBytes);
                p->RunExport(choice);
            }
            ui.exportCancelWhen = nullptr;

            // One message, the export's own; the text's words where they are fixed.
            if (fault == Fault::Cancel) {
                EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
            } else {
                ASSERT_EQ(ui.messages.size(), 1) << ui.MessageTexts().join('|').toStdString();
                EXPECT_EQ(ui.messages[0].title, f.title);
                if (fault == Fault::UnreadableFrame) {
                    EXPECT_TRUE(ui.messages[0].text.startsWith("Cannot read ZRK file."))
                        << ui.messages[0].text.toStdString();
                }
            }
            EXPECT_FALSE(ui.exportProgressOpen);
            EXPECT_TRUE(p->isEnabled());
            EXPECT_EQ(OpenExportFiles(), QStringList());

            // What was written stays readable.
            if (f.format == ConvertFormat::DibSequence) {
                const QStringList files = QDir(target).entryList({QStringLiteral("*.bmp")}, QDir::Files);
                if (fault != Fault::DiskFull) {
                    EXPECT_EQ(files.size(), 3);
                }
            } else if (QFile::exists(target)) {
                const int frames = MovieFrames(f.format, target);
                EXPECT_GE(frames, fault == Fault::DiskFull ? 0 : 3);
                EXPECT_LE(frames, 4);
            } else {
                // Only a full disk may leave no movie at all.
                EXPECT_EQ(fault, Fault::DiskFull);
            }

            // Nothing fires later.
            const int shown = ui.messages.size();
            QTest::qWait(300);
            EXPECT_EQ(ui.messages.size(), shown);
            delete Windows().frmPlay.data();
        }
    }
}

} // namespace
