#include "base/trace.h"

#include "base/shared_state.h"
#include "base/ui_port.h"

#include <QLocale>

QString TraceStamp(const QDateTime& when) {
    return QLocale::c().toString(when, QStringLiteral("yyyy/MM/dd ddd HH:mm:ss"));
}

void WriteTrace(const QString& text) {
    if (!g_blnDebug) return;
    Ui().TraceLine(TraceStamp(QDateTime::currentDateTime()) + QStringLiteral(" --- ") + text);
}
