#include "ctl/record_choice.h"

#include "console/record_setup_rules.h"
#include "protocol/code_tables.h"

namespace {
int IndexOf(const QStringList& list, const QString& text) {
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(text, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

RecordChoiceResult Refuse(const QString& why) {
    return RecordChoiceResult{std::nullopt, why};
}
} // namespace

RecordChoiceResult ResolveRecordChoice(const RecordChoice& choice, const RecordMode& current,
                                       int32_t memCode) {
    RecordMode m = current;

    if (!choice.rate.isEmpty()) {
        if (const int high = IndexOf(RateList(0), choice.rate); high >= 0) {
            m.SpeedMode = 0;
            m.RateHigh = high;
        } else if (const int low = IndexOf(RateList(1), choice.rate); low >= 0) {
            m.SpeedMode = 1;
            m.RateLow = low;
        } else {
            return Refuse(QStringLiteral("unknown frame rate \"%1\" (one of %2)")
                              .arg(choice.rate, (RateList(0) + RateList(1)).join(QStringLiteral(", "))));
        }
    }
    if (!choice.size.isEmpty()) {
        const int size = IndexOf(kSizeList, choice.size);
        if (size < 0)
            return Refuse(QStringLiteral("unknown image size \"%1\" (one of %2)")
                              .arg(choice.size, kSizeList.join(QStringLiteral(", "))));
        m.ImageSize = size;
    }
    if (m.SpeedMode == 0) {
        // A high-speed rate belongs to exactly one image size.
        const int forced = SizeOfRate(m.RateHigh);
        if (forced < 0) return Refuse(QStringLiteral("the camera's frame rate is not a known rate"));
        if (!choice.size.isEmpty() && m.ImageSize != forced)
            return Refuse(
                QStringLiteral("%1 records at %2 only").arg(RateList(0)[m.RateHigh], kSizeList[forced]));
        m.ImageSize = forced;
    }
    if (m.ImageSize < 0 || m.ImageSize > 3)
        return Refuse(QStringLiteral("the camera's image size is not known"));

    // A change of speed or size fills the shutter list anew: the camera's shutter is kept when the
    // new list offers it too, else the list starts again from its top, as in the dialog.
    const QStringList shutters = ShutterList(m.SpeedMode, m.ImageSize);
    const bool reshuffled = m.SpeedMode != current.SpeedMode || m.ImageSize != current.ImageSize;
    int32_t& shutter = m.SpeedMode == 0 ? m.ShutterHigh : m.ShutterLow;
    if (reshuffled && choice.shutter.isEmpty()) {
        const QStringList before = ShutterList(current.SpeedMode, current.ImageSize);
        const int32_t old = current.SpeedMode == 0 ? current.ShutterHigh : current.ShutterLow;
        const int kept = old >= 0 && old < before.size() ? IndexOf(shutters, before[old]) : -1;
        shutter = kept >= 0 ? kept : 0;
        if (kept != old || kept < 0) m.StrobeDelay = 0; // a shutter change resets the strobe delay
    }
    if (!choice.shutter.isEmpty()) {
        shutter = IndexOf(shutters, choice.shutter);
        if (shutter < 0)
            return Refuse(
                QStringLiteral("shutter \"%1\" is not offered at %2 %3 (one of %4)")
                    .arg(choice.shutter,
                         m.SpeedMode == 0 ? QStringLiteral("high speed") : QStringLiteral("low speed"),
                         kSizeList[m.ImageSize], shutters.join(QStringLiteral(", "))));
    } else if (shutter < 0 || shutter >= shutters.size()) {
        shutter = 0;
    }

    if (!choice.strobe.isEmpty()) {
        const int strobe = IndexOf(StrobeList(), choice.strobe);
        if (strobe < 0)
            return Refuse(QStringLiteral("unknown strobe delay \"%1\" (one of %2)")
                              .arg(choice.strobe, StrobeList().join(QStringLiteral(", "))));
        m.StrobeDelay = strobe;
    } else if (!choice.shutter.isEmpty()) {
        m.StrobeDelay = 0; // every shutter change resets the strobe delay
    }
    if (m.StrobeDelay != 0 && shutter != 0)
        return Refuse(QStringLiteral("a strobe delay needs the shutter \"%1\"").arg(shutters[0]));

    if (choice.regions >= 0) {
        if (choice.regions < 1 || choice.regions > 4) return Refuse(QStringLiteral("regions must be 1 to 4"));
        m.Partition = choice.regions - 1;
    }
    const int32_t capacity = RegionCapacity(memCode, m.ImageSize, m.Partition);
    if (capacity < 1) return Refuse(QStringLiteral("the camera's memory size is not known"));
    const int32_t last = capacity - 1;

    if (!choice.trigger.isEmpty()) {
        const int t = IndexOf({QStringLiteral("start"), QStringLiteral("center"), QStringLiteral("end")},
                              choice.trigger);
        if (t < 0) return Refuse(QStringLiteral("trigger must be start, center or end"));
        m.TrigMode = t;
    }
    if (choice.post >= 0 && m.TrigMode != 1)
        return Refuse(QStringLiteral("frames after the trigger can only be chosen with a centred trigger"));
    switch (m.TrigMode) {
    case 0:
        m.PostCount = last;
        break;
    case 2:
        m.PostCount = 0;
        break;
    case 1:
        if (choice.post > last)
            return Refuse(QStringLiteral("at most %1 frames can follow the trigger").arg(last));
        if (choice.post >= 0)
            m.PostCount = choice.post;
        else if (current.TrigMode == 1 && current.PostCount >= 0 && current.PostCount <= last)
            m.PostCount = current.PostCount; // the camera's own post count still fits: kept
        else
            m.PostCount = last - RoundHalfEven(last, 2);
        break;
    default:
        return Refuse(QStringLiteral("the camera's trigger mode is not known"));
    }
    return RecordChoiceResult{m, {}};
}

QString CheckRecordWords(const RecordChoice& choice) {
    const QStringList rates = RateList(0) + RateList(1);
    if (!choice.rate.isEmpty() && IndexOf(rates, choice.rate) < 0)
        return QStringLiteral("unknown frame rate \"%1\" (one of %2)")
            .arg(choice.rate, rates.join(QStringLiteral(", ")));
    if (!choice.size.isEmpty() && IndexOf(kSizeList, choice.size) < 0)
        return QStringLiteral("unknown image size \"%1\" (one of %2)")
            .arg(choice.size, kSizeList.join(QStringLiteral(", ")));
    if (!choice.shutter.isEmpty()) {
        bool offered = false;
        for (int speed = 0; speed < 2; ++speed)
            for (int size = 0; size < 4; ++size)
                offered = offered || IndexOf(ShutterList(speed, size), choice.shutter) >= 0;
        if (!offered) return QStringLiteral("unknown shutter \"%1\"").arg(choice.shutter);
    }
    if (!choice.strobe.isEmpty() && IndexOf(StrobeList(), choice.strobe) < 0)
        return QStringLiteral("unknown strobe delay \"%1\" (one of %2)")
            .arg(choice.strobe, StrobeList().join(QStringLiteral(", ")));
    if (choice.regions != -1 && (choice.regions < 1 || choice.regions > 4))
        return QStringLiteral("--regions takes 1 to 4");
    if (!choice.trigger.isEmpty() &&
        IndexOf({QStringLiteral("start"), QStringLiteral("center"), QStringLiteral("end")}, choice.trigger) <
            0)
        return QStringLiteral("--trigger takes start, center or end");
    return {};
}
