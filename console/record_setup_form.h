// The record settings dialog (frmSetRmod) without its widgets: the working copy of the record
// mode, what each list holds and selects, what is enabled, the slider and the region labels, and
// the operator events that change them. A list selection the form sets itself fires that list's
// event (unless it already had that value), as the dialog's controls do, so one choice ripples
// through the others exactly as on screen. frmSetRmod only draws this state.
#pragma once

#include "base/shared_types.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

class RecordSetupForm {
public:
    // Opening: a working copy of current, the memory code, every list filled and selected. A
    // value outside its list is shown and kept as the list's first entry, and at high speed the
    // image size is the one the rate forces, so what OK sends is always what is shown.
    void Load(const RecordMode& current, int32_t memCode);

    // Operator events (ignored while loading).
    void ClickSpeedMode(int32_t option);
    void ClickRate(int32_t index);
    void ClickSize(int32_t index);
    void ClickShutter(int32_t index);
    void ClickFlash(int32_t index);
    void ClickPartition(int32_t index);
    void ClickTrigMode(int32_t option);
    void MoveSlider(int32_t position);

    const RecordMode& Work() const { return m_work; }
    int32_t MemCode() const { return m_memCode; }
    int32_t SpeedOption() const { return m_speedOption; }
    const QStringList& Rates() const { return m_rates; }
    int32_t RateSelection() const { return m_rateSel; }
    bool SizeEnabled() const { return m_sizeEnabled; }
    int32_t SizeSelection() const { return m_sizeSel; }
    const QStringList& Shutters() const { return m_shutters; }
    int32_t ShutterSelection() const { return m_shutterSel; }
    bool FlashEnabled() const { return m_flashEnabled; }
    int32_t FlashSelection() const { return m_flashSel; }
    int32_t PartitionSelection() const { return m_partitionSel; }
    int32_t TrigOption() const { return m_trigOption; }
    // The slider and the post label are usable only with the "Center" trigger.
    bool TriggerControlsEnabled() const { return m_trigEnabled; }
    int32_t SliderMaximum() const { return m_sliderMax; }
    int32_t SliderPosition() const { return m_sliderPos; }
    int32_t TickFrequency() const { return m_tick; }
    const QString& PostLabel() const { return m_postLabel; }
    const std::array<QString, 4>& AreaCounts() const { return m_areaCounts; }

private:
    // Selections the form makes itself: each fires its event when the value changes.
    void SelectRate(int32_t index);
    void SelectSize(int32_t index);
    void SelectShutter(int32_t index);
    void SelectFlash(int32_t index);
    // The events themselves.
    void RateChanged();
    void SizeChanged();
    void ShutterChanged();
    void SliderChanged();
    void SetSliderMaximum(int32_t maximum);
    void SetSliderPosition(int32_t position);
    void UpdateRegionInfo(int32_t size, int32_t partition, int32_t trigMode, int32_t postCount);
    void ApplyTriggerLook(int32_t option);

    RecordMode m_work;
    int32_t m_memCode = 0;
    bool m_loading = false;
    int32_t m_speedOption = 0;
    QStringList m_rates, m_shutters;
    int32_t m_rateSel = -1, m_sizeSel = -1, m_shutterSel = -1, m_flashSel = -1, m_partitionSel = -1;
    bool m_sizeEnabled = false, m_flashEnabled = false, m_trigEnabled = false;
    int32_t m_trigOption = 0;
    int32_t m_sliderMax = 0, m_sliderPos = 0, m_tick = 0;
    QString m_postLabel;
    std::array<QString, 4> m_areaCounts;
};
