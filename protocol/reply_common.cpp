#include "protocol/reply_common.h"

#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/text_fields.h"

#include <QTimer>
#include <limits>

ReplyFields::ReplyFields(const QString& text, const QString& delimiter, int n) {
    SplitFields(text, delimiter, n, m_fields, m_count);
}

QString ReplyFields::operator[](int i) const {
    if (i < 1 || i > m_count || i >= m_fields.size()) return {};
    return m_fields.at(i);
}

bool ParseDigits16(const QString& text, int16_t& value) {
    int32_t v = 0;
    if (!ParseDigits32(text, v) || v > std::numeric_limits<int16_t>::max()) return false;
    value = static_cast<int16_t>(v);
    return true;
}

bool ParseInRange(const QString& text, int32_t min, int32_t max, int32_t& value) {
    int32_t v = 0;
    if (!ParseDigits32(text, v) || v < min || v > max) return false;
    value = v;
    return true;
}

void ReplyMessage(const QString& title, const QString& text, MsgIcon icon) {
    Ui().MessageBox(title, text, icon, MsgButtons::Ok);
}

bool ConsoleOpen() {
    return g_lngViewMode == 1;
}

void StartTimer(QTimer* timer) {
    if (timer) timer->start();
}

void StopTimer(QTimer* timer) {
    if (timer) timer->stop();
}

bool TimerActive(QTimer* timer) {
    return timer && timer->isActive();
}

void RestartCommandTimeOut() {
    StartTimer(MainParts().tmrComTimeOut);
}
