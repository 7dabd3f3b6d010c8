#include "console/record_setup_form.h"

#include "console/record_setup_rules.h"

#include <algorithm>

namespace {

constexpr int32_t kStrobeEntries = 9;
constexpr int32_t kPartitionEntries = 4;
constexpr int32_t kSizeEntries = 4;

// v when it names an entry of a list of count entries, else the first entry.
int32_t InList(int32_t v, qsizetype count) {
    return v >= 0 && v < count ? v : 0;
}

} // namespace

void RecordSetupForm::Load(const RecordMode& current, int32_t memCode) {
    m_loading = true;
    m_memCode = memCode;
    m_work = current;
    if (m_work.SpeedMode != 1) m_work.SpeedMode = 0;

    m_speedOption = m_work.SpeedMode;
    m_rates = RateList(m_work.SpeedMode);
    if (m_work.SpeedMode == 0) {
        m_work.RateHigh = InList(m_work.RateHigh, m_rates.size());
        m_rateSel = m_work.RateHigh;
        // The rate decides the size at high speed: show (and send) the pair that belongs together.
        m_work.ImageSize = SizeOfRate(m_work.RateHigh);
    } else {
        m_work.RateLow = InList(m_work.RateLow, m_rates.size());
        m_rateSel = m_work.RateLow;
        m_work.ImageSize = InList(m_work.ImageSize, kSizeEntries);
    }
    m_sizeEnabled = m_work.SpeedMode == 1;

    m_sizeSel = m_work.ImageSize;
    m_shutters = ShutterList(m_work.SpeedMode, m_sizeSel);
    int32_t& shutter = m_work.SpeedMode == 0 ? m_work.ShutterHigh : m_work.ShutterLow;
    shutter = InList(shutter, m_shutters.size());
    m_shutterSel = shutter;
    m_flashEnabled = m_shutterSel == 0;

    m_work.StrobeDelay = InList(m_work.StrobeDelay, kStrobeEntries);
    m_flashSel = m_work.StrobeDelay;
    m_work.Partition = InList(m_work.Partition, kPartitionEntries);
    m_partitionSel = m_work.Partition;

    m_work.TrigMode = InList(m_work.TrigMode, 3);
    m_trigOption = m_work.TrigMode;
    ApplyTriggerLook(m_trigOption);

    UpdateRegionInfo(m_sizeSel, m_partitionSel, m_work.TrigMode, m_work.PostCount);
    m_loading = false;
}

void RecordSetupForm::ClickSpeedMode(int32_t option) {
    if (m_loading || (option != 0 && option != 1) || option == m_speedOption) return;
    m_speedOption = option;
    m_work.SpeedMode = option;
    m_rates = RateList(option);
    m_rateSel = -1; // a refilled list has no selection
    SelectRate(0);
}

void RecordSetupForm::ClickRate(int32_t index) {
    if (m_loading || index < 0 || index >= m_rates.size()) return;
    m_rateSel = index;
    RateChanged();
}

void RecordSetupForm::ClickSize(int32_t index) {
    if (m_loading || !m_sizeEnabled || index < 0 || index >= kSizeEntries) return;
    m_sizeSel = index;
    SizeChanged();
}

void RecordSetupForm::ClickShutter(int32_t index) {
    if (m_loading || index < 0 || index >= m_shutters.size()) return;
    m_shutterSel = index;
    ShutterChanged();
}

void RecordSetupForm::ClickFlash(int32_t index) {
    if (m_loading || !m_flashEnabled || index < 0 || index >= kStrobeEntries) return;
    m_flashSel = index;
    m_work.StrobeDelay = index;
}

void RecordSetupForm::ClickPartition(int32_t index) {
    if (m_loading || index < 0 || index >= kPartitionEntries) return;
    m_partitionSel = index;
    m_work.Partition = index;
    UpdateRegionInfo(m_sizeSel, m_partitionSel, m_work.TrigMode, m_work.PostCount);
}

void RecordSetupForm::ClickTrigMode(int32_t option) {
    if (m_loading || option < 0 || option > 2) return;
    m_trigOption = option;
    m_work.TrigMode = option;
    if (option == 1)
        SetSliderPosition(RoundHalfEven(m_sliderMax, 2));
    else
        SetSliderPosition(option == 0 ? 0 : m_sliderMax);
    SliderChanged();
    ApplyTriggerLook(option);
}

void RecordSetupForm::MoveSlider(int32_t position) {
    if (m_loading || !m_trigEnabled) return;
    SetSliderPosition(position);
    SliderChanged();
}

void RecordSetupForm::SelectRate(int32_t index) {
    if (index == m_rateSel || index >= m_rates.size()) return;
    m_rateSel = index;
    RateChanged();
}

void RecordSetupForm::SelectSize(int32_t index) {
    if (index == m_sizeSel) return;
    m_sizeSel = index;
    SizeChanged();
}

void RecordSetupForm::SelectShutter(int32_t index) {
    if (index == m_shutterSel || index >= m_shutters.size()) return;
    m_shutterSel = index;
    ShutterChanged();
}

void RecordSetupForm::SelectFlash(int32_t index) {
    if (index == m_flashSel) return;
    m_flashSel = index;
    m_work.StrobeDelay = index;
}

void RecordSetupForm::RateChanged() {
    if (m_work.SpeedMode == 0) {
        m_work.RateHigh = m_rateSel;
        const int32_t size = SizeOfRate(m_rateSel);
        if (size == m_sizeSel)
            SizeChanged();
        else
            SelectSize(size);
        m_sizeEnabled = false;
    } else {
        m_work.RateLow = m_rateSel;
        SizeChanged();
        m_sizeEnabled = true;
    }
}

void RecordSetupForm::SizeChanged() {
    m_work.ImageSize = m_sizeSel;
    m_shutters = ShutterList(m_work.SpeedMode, m_sizeSel);
    m_shutterSel = -1;
    SelectShutter(0);
    UpdateRegionInfo(m_sizeSel, m_partitionSel, m_work.TrigMode, m_work.PostCount);
}

void RecordSetupForm::ShutterChanged() {
    (m_work.SpeedMode == 0 ? m_work.ShutterHigh : m_work.ShutterLow) = m_shutterSel;
    // The strobe works only with the first (longest) shutter, and every shutter change resets it.
    m_flashEnabled = m_shutterSel == 0;
    SelectFlash(0);
}

void RecordSetupForm::SliderChanged() {
    const int32_t post = m_sliderMax - m_sliderPos;
    m_postLabel = QString::number(post);
    m_work.PostCount = post;
}

void RecordSetupForm::SetSliderMaximum(int32_t maximum) {
    m_sliderMax = std::max(maximum, 0);
    m_sliderPos = std::clamp(m_sliderPos, 0, m_sliderMax);
}

void RecordSetupForm::SetSliderPosition(int32_t position) {
    m_sliderPos = std::clamp(position, 0, m_sliderMax);
}

void RecordSetupForm::UpdateRegionInfo(int32_t size, int32_t partition, int32_t trigMode, int32_t postCount) {
    const RegionInfo info = RegionInfoFor(m_memCode, size, partition);
    for (int i = 0; i < 4; ++i)
        m_areaCounts[static_cast<std::size_t>(i)] = QString::number(info.regions[i]);
    const int32_t m = info.capacity - 1;
    switch (trigMode) {
    case 0:
        SetSliderMaximum(m);
        SetSliderPosition(0);
        break;
    case 1:
        // Keep the position within the maximum while both change.
        if (m_sliderPos < m) {
            SetSliderMaximum(m);
            SetSliderPosition(m - postCount);
        } else {
            SetSliderPosition(m - postCount);
            SetSliderMaximum(m);
        }
        break;
    case 2:
        SetSliderMaximum(m);
        SetSliderPosition(m);
        break;
    default:
        break;
    }
    m_tick = RoundHalfEven(m_sliderMax, 10);
    SliderChanged();
}

void RecordSetupForm::ApplyTriggerLook(int32_t option) {
    m_trigEnabled = option == 1;
}
