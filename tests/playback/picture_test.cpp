// The player on camera-like frames, drawn offscreen; the picture doubles as the README's
// (set ZRK_DOCS_DIR to a folder to keep it there as player-window.png).
#include "base/qt_ui.h"
#include "camsim/frame_render.h"
#include "playback/frm_convert.h"
#include "playback/frm_enhance.h"
#include "playback/picture_area.h"
#include "tests/playback/player_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QSlider>
#include <vector>

namespace {

QString WriteCameraClip(const QString& path, int frames) {
    zrkcam::RecordSettings settings;
    settings.imageSize = 1; // 256 x 256
    settings.rateCode = 1;
    settings.gainCode = 1;
    std::vector<uint8_t> record(65664);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return {};
    ZRK_DATA_FILE_HEADER file{{'Z', 'R'}, ZRK_DATA_OFFSET + 65664 * frames, ZRK_DATA_OFFSET};
    ZRK_DATA_INFO_HEADER info{ZRK_DATA_INFO_HEADER_SIZE, frames, 12, 3, {}};
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int i = 0; i < frames; ++i) {
        zrkcam::FrameStamp stamp;
        stamp.region = 0;
        stamp.number = static_cast<uint32_t>(i);
        stamp.seq = static_cast<uint32_t>(i);
        stamp.epochMs = zrkcam::toEpochSeconds({2026, 12, 7, 10, 36, 30}) * 1000 + i * 8;
        stamp.realFrame = static_cast<uint16_t>(500 + i);
        if (zrkcam::renderFrame(settings, stamp, record.data()) != 65664) return {};
        out.write(reinterpret_cast<const char*>(record.data()), 65664);
    }
    return path;
}

TEST_F(PlayerTest, CameraFramesShowInTheWindow) {
    frmPlay* p = Open(WriteCameraClip(dir.file("recording.dat"), 30));
    ASSERT_NE(p, nullptr);
    Playback().enhance = {1, 100};
    p->chkExpand->click();
    p->sldFrameBar->setValue(12);
    p->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(p->lblFrame->text(), "12/29");
    EXPECT_EQ(p->lblSize->text(), "256x256");
    EXPECT_EQ(p->lblRealFrame->isHidden(), true);

    // The camera's frames are not flat: the picture has many colours.
    const QImage& image = p->picImage->image();
    ASSERT_EQ(image.size(), QSize(512, 512));
    int changes = 0;
    for (int x = 1; x < 512; ++x)
        changes += image.pixel(x, 256) != image.pixel(x - 1, 256);
    EXPECT_GT(changes, 50);

    const QPixmap shot = p->grab();
    ASSERT_FALSE(shot.isNull());
    const QString docs = qEnvironmentVariable("ZRK_DOCS_DIR");
    if (!docs.isEmpty()) {
        EXPECT_TRUE(shot.save(docs + QStringLiteral("/player-window.png")));
    }
}

} // namespace

namespace {

// The export dialog, the enhancement dialog and the movie's progress window, drawn offscreen.
TEST_F(PlayerTest, TheDialogsAreDrawn) {
    frmPlay* p = Open(WriteCameraClip(dir.file("recording.dat"), 30));
    ASSERT_NE(p, nullptr);
    frmConvert convert(p);
    convert.optFormat[2]->click(); // the MP4: its slow-motion caption and quality
    ZRK_ENHANCE enhance{1, 100};
    frmEnhance enhanceDialog(p, enhance, [] {});
    QtUi qt;
    qt.ShowExportProgress(nullptr, QStringLiteral("AVI File Conversion"), QStringLiteral(" 0% completed."),
                          30);
    qt.SetExportProgress(12, QStringLiteral("40% completed."));
    QWidget* progress = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmConvertProgress") progress = w;
    ASSERT_NE(progress, nullptr);
    const std::pair<QWidget*, const char*> shots[] = {{&convert, "conversion.png"},
                                                      {&enhanceDialog, "enhance-properties.png"},
                                                      {progress, "avi-progress.png"}};
    const QString docs = qEnvironmentVariable("ZRK_DOCS_DIR");
    for (auto [widget, name] : shots) {
        widget->show();
        QCoreApplication::processEvents();
        const QPixmap shot = widget->grab();
        EXPECT_FALSE(shot.isNull()) << name;
        if (!docs.isEmpty()) {
            EXPECT_TRUE(shot.save(docs + u'/' + QString::fromLatin1(name)));
        }
    }
    qt.CloseExportProgress();
}

} // namespace
