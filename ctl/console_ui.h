// The operator interface of zrkctl: every message box goes to standard error as "title: text",
// questions are answered as the command line asked, file dialogs take the path the command
// named, and the progress windows (download and export) become a bar on a terminal. Any message
// shown with only an OK button counts as a failure, so the exit status tells a script something
// went wrong. A stop signal is the export's "Cancel".
#pragma once

#include "base/ui_port.h"

#include <QString>
#include <cstdio>

class ConsoleUi final : public UiPort {
public:
    explicit ConsoleUi(std::FILE* out = stderr);

    // What the next file or folder dialog answers ("" = the operator cancelled).
    QString fileAnswer;
    // Trace lines are written too (--trace).
    bool showTrace = false;
    // The file the command writes: messages about a file name it.
    QString subject;

    int failures() const { return m_failures; }
    QString lastMessage() const { return m_lastMessage; }

    MsgResult MessageBox(const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    QString OpenFileDialog(const QString& title, const QString& filter) override;
    QString SaveFileDialog(const QString& title, const QString& filter) override;
    QString FolderDialog(const QString& title, const QString& startFolder) override;
    void ShowNotice(const QString& title, const QString& text) override;
    void CloseNotice() override {}
    void ShowProgress(const QString& title, const QString& text, int maximum) override;
    void SetProgress(int value, const QString& text) override;
    void CloseProgress() override;
    void SetProgressCaption(const QString& caption) override;
    void ShowExportProgress(QWidget* owner, const QString& title, const QString& text, int maximum) override;
    void SetExportProgress(int value, const QString& text) override;
    bool ExportCancelled() override;
    void CloseExportProgress() override;
    void TraceLine(const QString& line) override;

    // Ends a bar left mid-line, so that the next line starts clean.
    void EndLine();

private:
    void DrawBar();

    std::FILE* m_out;
    bool m_terminal;
    int m_failures = 0;
    QString m_lastMessage;
    bool m_progressOpen = false;
    bool m_midLine = false; // a bar was drawn and no line break followed
    QString m_progressTitle, m_progressText;
    int m_progressMax = 0, m_progressValue = 0;
};
