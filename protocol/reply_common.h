// Helpers shared by the reply handlers: field splitting that never hands back stale text,
// width-checked number parsing, the failure message, and the timers the handlers switch.
#pragma once

#include "base/ui_port.h"
#include "protocol/command_channel.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class QTimer;

// A line split at a delimiter into at most n fields, numbered from 1. Asking for a field
// beyond the count gives an empty text, so a short reply can never be read past its end.
class ReplyFields {
public:
    ReplyFields(const QString& text, const QString& delimiter, int n);
    int Count() const { return m_count; }
    QString operator[](int i) const;

private:
    QStringList m_fields;
    int m_count = 0;
};

// The first-character success test: the reply code begins with "2".
inline bool IsSuccess(const QString& text) {
    return text.startsWith(u'2');
}

// Digits that fit a signed 16-bit value; false otherwise (value untouched).
bool ParseDigits16(const QString& text, int16_t& value);
// IsNumberInRange with the parsed value handed back.
bool ParseInRange(const QString& text, int32_t min, int32_t max, int32_t& value);

// The value the command in flight carries (see CommandEntry::Sent), or fallback when it carries
// none of that type.
template <typename T> T SentValue(const T& fallback) {
    const T* sent = std::any_cast<T>(&SentWithCommand());
    return sent ? *sent : fallback;
}

// The modal failure / notice message every handler shows: OK button, information icon.
void ReplyMessage(const QString& title, const QString& text, MsgIcon icon = MsgIcon::Information);

// The record console is the open working window.
bool ConsoleOpen();

// The main window's timers; each may be absent (tests, start-up), then nothing happens.
void StartTimer(QTimer* timer);
void StopTimer(QTimer* timer);
bool TimerActive(QTimer* timer);
void RestartCommandTimeOut();

// Texts shared by several handlers.
inline const QString kMsgCommandInvalid = QStringLiteral("Recived command invalid.");
inline const QString kMsgParameterInvalid = QStringLiteral("Received parameter invalid.");
