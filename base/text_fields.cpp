#include "base/text_fields.h"

#include <algorithm>
#include <limits>

void SplitFields(const QString& text, const QString& delimiter, int maxFields, QStringList& fields,
                 int& count) {
    if (text.isEmpty() || delimiter.isEmpty()) {
        count = 0;
        return;
    }
    const QChar delim = delimiter.at(0);
    maxFields = std::max(maxFields, 0);
    fields.clear();
    for (int i = 0; i <= maxFields; ++i)
        fields.append(QString());
    count = 0;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        if (text.at(pos) == delim) {
            ++pos;
            continue;
        }
        if (count + 1 > maxFields) {
            count = maxFields;
            return;
        }
        ++count;
        qsizetype end = text.indexOf(delim, pos);
        if (end < 0) end = n;
        fields[count] = text.mid(pos, end - pos);
        pos = end;
    }
}

bool IsDigits(const QString& text) {
    if (text.isEmpty()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool ParseDigits32(const QString& text, int32_t& value) {
    if (!IsDigits(text)) return false;
    int64_t v = 0;
    for (QChar c : text) {
        v = v * 10 + (c.unicode() - u'0');
        if (v > std::numeric_limits<int32_t>::max()) return false; // stops before any overflow
    }
    value = static_cast<int32_t>(v);
    return true;
}

bool IsNumberInRange(const QString& text, int32_t min, int32_t max) {
    int32_t value = 0;
    return ParseDigits32(text, value) && value >= min && value <= max;
}

double MinOfArray(const std::vector<double>& values) {
    double current = 999999;
    for (double v : values)
        if (current > v) current = v;
    return current;
}
