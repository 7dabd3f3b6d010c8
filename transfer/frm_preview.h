// The preview window: plays a range of one camera region straight from the camera's memory, one
// single-frame request per frame shown, narrows it with "Start" and "End" marks and saves the marked
// frames. Playing keeps at most one frame request outstanding; a closed window requests nothing more.
#pragma once

#include "base/transport.h"
#include "transfer/browser_preview_range.h"

#include <QWidget>
#include <cstdint>
#include <optional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;
class QTimer;
class QToolButton;
class ThumbnailPicture;

class frmPreview : public QWidget {
    Q_OBJECT
public:
    explicit frmPreview(const PreviewParams& params, QWidget* parent = nullptr);

    // The frame in g_ThumbBuf, when the request in flight is one of this window's.
    void DrawPreviewFrame();
    // One playback step (tmrTimer_Timer). afterFrame: called as the frame just drawn finishes, so
    // that request no longer counts as outstanding.
    void PlaybackStep(bool afterFrame);
    // Navigation key id 0..7 from the main window's routing (view mode 4).
    void PreviewMyMsg(int keyId);
    void EnableSave(bool flag);

    // The buttons' actions.
    void SelectPlay() { m_transport.Do(TransportAction::Play); }
    void SelectReverse() { m_transport.Do(TransportAction::Reverse); }
    void SelectPause() { m_transport.Do(TransportAction::Pause); }
    void SelectStop() { m_transport.Do(TransportAction::Stop); }
    void StepForward() { m_transport.Do(TransportAction::Step); } // cmdStep
    void StepBack() { m_transport.Do(TransportAction::Back); }    // cmdBack
    void GoToEnd() { m_transport.Do(TransportAction::Last); }     // cmdNext
    void GoToStart() { m_transport.Do(TransportAction::First); }  // cmdPrev
    void MarkStart();                                             // cmdStart
    void MarkEnd();                                               // cmdEnd
    void Save();                                                  // cmdRQDL
    void MoveSlider(int frameNo);
    void SetExpand(bool doubled);

    // Closing because the browser closes: the screen does not go back to the browser.
    void CloseWithBrowser();

    const PreviewRange& Range() const { return m_range; }
    const PreviewMarks& Marks() const { return m_marks; }
    int32_t CurrentOffset() const { return m_range.recorded - m_transport.Position(); }
    bool Forward() const { return m_transport.Forward(); }
    int32_t TriggerFrame() const { return m_trigFrame; }
    uint32_t SessionTag() const { return m_tag; }
    int32_t Region() const { return m_params.region; }

    ThumbnailPicture* picImage;
    QScrollArea* picArea;
    QSlider* sldFrameBar;
    QCheckBox* chkLoop;
    QCheckBox* chkExpand;
    QToolButton* optPlay;
    QToolButton* optReverse;
    QToolButton* optPause;
    QToolButton* optStop;
    QToolButton* cmdStep;
    QToolButton* cmdBack;
    QToolButton* cmdNext;
    QToolButton* cmdPrev;
    QLabel* lblPreviewStart;
    QLabel* lblPreviewEnd;
    QLabel* lblPreviewTotal;
    QLabel* lblFrame;
    QLabel* lblTriger;
    QLabel* lblDate;
    QLabel* lblTime;
    QLabel* lblAnalog;
    QPushButton* cmdStart;
    QPushButton* cmdEnd;
    QPushButton* cmdRQDL;
    QLabel* lblSaveStart;
    QLabel* lblSaveEnd;
    QLabel* lblSaveTotal;
    QTimer* tmrTimer;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    void Load();
    // Asks for the frame at offset, or, while one of this window's frames is still on its way,
    // remembers it to ask for when that one has arrived: one request outstanding, the latest wins.
    void RequestPreviewFrame(int32_t offset);
    void RequestWanted();
    void Selected(TransportOption option);
    void UpdateMarkButtons();
    void ShowMarks();
    void SizePicture();
    // Save follows the download state; a playback whose request ended undrawn pauses.
    void Refresh();

    PreviewParams m_params;
    PreviewRange m_range;
    PreviewMarks m_marks;
    Transport m_transport;
    std::optional<int32_t> m_wanted; // offset asked for while a frame was on its way
    bool m_frameEnding = false;      // the frame in flight is being finished: it no longer counts
    bool m_saveAllowed = true;
    bool m_backToBrowser = true;
    int32_t m_trigFrame = -1;
    uint32_t m_tag = 0;
    QButtonGroup* m_options;
    QTimer* m_refresh;
};

// Opens the preview window on a range (closing any open one).
void ShowPreviewWindow(const PreviewParams& params);
// Closes it, if open; backToBrowser false when the browser closes with it.
void ClosePreviewWindow(bool backToBrowser);
