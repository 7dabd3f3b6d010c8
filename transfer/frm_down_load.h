// The thumbnail browser: up to 16 frames spread over one region of the camera's memory, fetched one
// by one as single frames, the trigger frame marked, a start and an end thumbnail chosen, and the
// range between them saved ("Save") or looked at frame by frame ("Preview").
#pragma once

#include "transfer/thumbnail_table.h"

#include <QWidget>
#include <array>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class ThumbnailBack;
class ThumbnailPicture;

class frmDownLoad : public QWidget {
    Q_OBJECT
public:
    explicit frmDownLoad(QWidget* parent = nullptr);
    ~frmDownLoad() override;

    // Rebuilds everything for region 1..4, 0 = none. A region without recorded frames is no region.
    void SelectRegion(int32_t region);
    // Works out and shows the trigger frame of 0-based region0 and paints the thumbnails next to it.
    void UpDateTrigFrame(int32_t region0);
    // A click on thumbnail k: moves the mark that "Select" names, where the rules allow it.
    void ClickThumb(int k);
    void SelectThumb(int k, bool isStart);
    // Draws g_ThumbBuf as thumbnail index, only for a request of the current batch.
    void DrawThumbNail(int32_t index);
    void Save();    // cmdRQDL
    void Preview(); // cmdPreview
    // Closing because the console closes: the screen does not go back to it.
    void CloseWithConsole();
    // Lists "None" and every region that holds recorded frames.
    void FillRegionList();

    int32_t Region() const { return m_region; }
    int StartIndex() const { return m_start; }
    int EndIndex() const { return m_end; }
    int LastIndex() const { return m_last; }
    int32_t TriggerFrame() const { return m_trigFrame; }
    const TriggerThumbs& TriggerThumbnails() const { return m_trigThumbs; }
    int32_t Count() const { return m_count; }
    int16_t IdNumber() const { return m_idNumber; }
    uint32_t BatchTag() const { return m_batchTag; }
    const ThumbTable& Table() const { return m_table; }

    QGroupBox* fraPartition;
    QComboBox* cmbAreaNo;
    QSpinBox* udnIDNumber;
    QLabel* lblIDNumber;
    std::array<QRadioButton*, 2> OptSelect;
    std::array<ThumbnailBack*, kThumbSlots> picBack;
    std::array<ThumbnailPicture*, kThumbSlots> picFore;
    std::array<QLabel*, kThumbSlots> lblThumbNeilCap;
    std::array<QLabel*, kThumbSlots> lblThumbNeil;
    QGroupBox* fraInfomation;
    QLabel* lblStartFrame;
    QLabel* lblEndFrame;
    QLabel* lblTrigFrame;
    QLabel* lblDownLoadCnt;
    QPushButton* cmdRQDL;
    QPushButton* cmdPreview;

protected:
    // Closes the progress, waiting and preview windows and hands the screen back to the console.
    void closeEvent(QCloseEvent* event) override;

private:
    void ClearThumbs();
    void DownloadThumbs(int32_t region0);
    void SizePictures();
    void Repaint(int k);
    void ShowCount();
    // "Save" follows the download state; the trigger follows a late PTRG reply.
    void Refresh();

    QTimer* m_refresh;
    ThumbTable m_table{};
    int32_t m_region = -1;
    int m_start = -1;
    int m_end = -1;
    int m_last = -1;
    int32_t m_trigFrame = -1;
    int32_t m_trigPos = -1; // the region's trigger position the marks were painted for
    TriggerThumbs m_trigThumbs;
    int32_t m_count = 0;
    int16_t m_idNumber = 0;
    uint32_t m_batchTag = 0;
    bool m_backToConsole = true;
};
