// A UiPort for tests: records every message, dialog, notice and trace line, and answers each
// message box and file dialog from a script (OK / cancel when the script has run out).
#pragma once

#include "base/ui_port.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

struct ShownMessage {
    QString title;
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
};

class ScriptedUi final : public UiPort {
public:
    ScriptedUi() {
        SetUi(this);
        UiPort::ShowStatus(QString()); // each test starts with an empty status line
    }
    ~ScriptedUi() override { SetUi(nullptr); }

    // Script.
    std::deque<MsgResult> answers;   // next message box answers
    std::deque<QString> fileAnswers; // next file/folder dialog answers ("" = cancel)
    // Runs while a message box is "on screen", before it is answered (events may be processed).
    std::function<void(const ShownMessage&)> whileShown;

    // Record.
    QList<ShownMessage> messages;
    QStringList dialogFilters; // filter of every file dialog shown ("folder" for folder dialogs)
    QStringList traces;        // trace lines without their time stamps
    bool noticeOpen = false;
    QString noticeTitle, noticeText;
    int noticeShows = 0;
    bool progressOpen = false;
    QString progressTitle, progressText;
    int progressMax = 0, progressValue = 0;
    int progressShows = 0, progressCaptionChanges = 0;
    QWidget* progressOwner = nullptr;
    QStringList proposedPaths; // the file each save dialog proposed ("" when none)
    QStringList folderStarts;  // the folder each folder dialog opened at

    MsgResult MessageBox(const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    QString OpenFileDialog(const QString& title, const QString& filter) override;
    QString SaveFileDialog(const QString& title, const QString& filter) override;
    QString FolderDialog(const QString& title, const QString& startFolder) override;
    void ShowNotice(const QString& title, const QString& text) override;
    void CloseNotice() override { noticeOpen = false; }
    void ShowProgress(const QString& title, const QString& text, int maximum) override;
    void SetProgress(int value, const QString& text) override;
    void CloseProgress() override { progressOpen = false; }
    QString SaveFileDialogProposing(const QString& title, const QString& filter,
                                    const QString& proposedPath) override;
    void ShowProgressOver(QWidget* owner, const QString& title, const QString& text, int maximum) override;
    void SetProgressCaption(const QString& caption) override;
    void TraceLine(const QString& line) override;

    // Export progress window: every distinct text shown, in order; cancelled when exportCancelWhen says.
    bool exportProgressOpen = false;
    QString exportProgressTitle;
    QStringList exportProgressTexts;
    int exportProgressMax = 0, exportProgressValue = 0, exportProgressShows = 0;
    QWidget* exportProgressOwner = nullptr;
    std::function<bool()> exportCancelWhen;
    void ShowExportProgress(QWidget* owner, const QString& title, const QString& text, int maximum) override {
        exportProgressOpen = true;
        exportProgressOwner = owner;
        exportProgressTitle = title;
        exportProgressTexts = QStringList{text};
        exportProgressMax = maximum;
        exportProgressValue = 0;
        ++exportProgressShows;
    }
    void SetExportProgress(int value, const QString& text) override {
        exportProgressValue = value;
        if (exportProgressTexts.isEmpty() || exportProgressTexts.back() != text) exportProgressTexts << text;
    }
    // Status line texts, in order (each also goes to the windows' status line).
    QStringList statuses;
    void ShowStatus(const QString& text) override {
        statuses << text;
        UiPort::ShowStatus(text);
    }
    bool ExportCancelled() override { return exportCancelWhen && exportCancelWhen(); }
    void CloseExportProgress() override { exportProgressOpen = false; }

    // Texts of the messages shown so far.
    QStringList MessageTexts() const;
    void Clear();
};
