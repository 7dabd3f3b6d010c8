#include "ctl/console_ui.h"

#include "ctl/ctl_signals.h"

#include <unistd.h>

namespace {
// Message texts use CR LF between their lines; a terminal wants plain line breaks.
QString Flatten(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}
} // namespace

ConsoleUi::ConsoleUi(std::FILE* out) : m_out(out), m_terminal(isatty(fileno(out)) == 1) {}

MsgResult ConsoleUi::MessageBox(const QString& title, const QString& text, MsgIcon, MsgButtons buttons) {
    EndLine();
    QString shown = Flatten(text);
    if (!subject.isEmpty() && shown.contains(QLatin1String("file"), Qt::CaseInsensitive))
        shown += QStringLiteral(" (%1)").arg(subject);
    std::fprintf(m_out, "%s: %s\n", qPrintable(title), qPrintable(shown));
    std::fflush(m_out);
    m_lastMessage = title + QStringLiteral(": ") + shown;
    // A question comes from a command the script asked for: answer it as going ahead.
    switch (buttons) {
    case MsgButtons::Ok:
        ++m_failures;
        return MsgResult::Ok;
    case MsgButtons::OkCancel:
        return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgResult::Yes;
    }
    return MsgResult::Ok;
}

QString ConsoleUi::OpenFileDialog(const QString&, const QString&) {
    return fileAnswer;
}

QString ConsoleUi::SaveFileDialog(const QString&, const QString&) {
    return fileAnswer;
}

QString ConsoleUi::FolderDialog(const QString&, const QString&) {
    return fileAnswer;
}

void ConsoleUi::ShowNotice(const QString& title, const QString& text) {
    if (!showTrace) return;
    EndLine();
    std::fprintf(m_out, "%s: %s\n", qPrintable(title), qPrintable(Flatten(text)));
}

void ConsoleUi::ShowProgress(const QString& title, const QString& text, int maximum) {
    m_progressOpen = true;
    m_progressTitle = title;
    m_progressText = text;
    m_progressMax = maximum;
    m_progressValue = 0;
    DrawBar();
}

void ConsoleUi::SetProgress(int value, const QString& text) {
    m_progressValue = value;
    if (!text.isNull()) m_progressText = text;
    DrawBar();
}

void ConsoleUi::CloseProgress() {
    EndLine();
    m_progressOpen = false;
}

void ConsoleUi::EndLine() {
    if (m_progressOpen && m_terminal && m_midLine) std::fputc('\n', m_out);
    m_midLine = false;
}

void ConsoleUi::SetProgressCaption(const QString& caption) {
    m_progressTitle = caption;
    DrawBar();
}

void ConsoleUi::ShowExportProgress(QWidget*, const QString& title, const QString& text, int maximum) {
    ShowProgress(title, text, maximum);
}

void ConsoleUi::SetExportProgress(int value, const QString& text) {
    SetProgress(value, text);
}

bool ConsoleUi::ExportCancelled() {
    return StopSignal() != 0;
}

void ConsoleUi::CloseExportProgress() {
    CloseProgress();
}

void ConsoleUi::DrawBar() {
    if (!m_terminal || !m_progressOpen) return;
    constexpr int kWidth = 30;
    const int filled =
        m_progressMax > 0
            ? static_cast<int>(int64_t(kWidth) * qBound(0, m_progressValue, m_progressMax) / m_progressMax)
            : 0;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
    std::fprintf(m_out, "\r%s [%s] %s\x1b[K", qPrintable(m_progressTitle), qPrintable(bar),
                 qPrintable(Flatten(m_progressText).simplified()));
    std::fflush(m_out);
    m_midLine = true;
}

void ConsoleUi::TraceLine(const QString& line) {
    if (!showTrace) return;
    EndLine();
    std::fprintf(m_out, "%s\n", qPrintable(line));
}
