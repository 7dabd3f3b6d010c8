// The one door through which code that is not a window reaches the operator: message boxes,
// file and folder dialogs, the waiting windows and the trace window. The program installs the
// Qt implementation at start-up; tests install a scripted one that records and answers.
#pragma once

#include <QString>

class QWidget;

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class UiPort {
public:
    virtual ~UiPort() = default;

    // A modal message box; returns the button the operator chose.
    virtual MsgResult MessageBox(const QString& title, const QString& text, MsgIcon icon,
                                 MsgButtons buttons) = 0;

    // File dialogs take "Description|pattern|Description|pattern" filters and return the chosen
    // path, or an empty text when the operator cancelled. The open dialog only accepts existing
    // files; the save dialog asks before overwriting one.
    virtual QString OpenFileDialog(const QString& title, const QString& filter) = 0;
    virtual QString SaveFileDialog(const QString& title, const QString& filter) = 0;
    // The folder browser opens at startFolder (when it exists); an empty text when cancelled.
    virtual QString FolderDialog(const QString& title, const QString& startFolder) = 0;

    // The modeless notice window (frmMsgBox) and progress window (frmProgress).
    virtual void ShowNotice(const QString& title, const QString& text) = 0;
    virtual void CloseNotice() = 0;
    virtual void ShowProgress(const QString& title, const QString& text, int maximum) = 0;
    virtual void SetProgress(int value, const QString& text) = 0;
    virtual void CloseProgress() = 0;

    // The save dialog opened on a proposed file (folder and name); by default the plain one.
    virtual QString SaveFileDialogProposing(const QString& title, const QString& filter,
                                            const QString& proposedPath) {
        (void)proposedPath;
        return SaveFileDialog(title, filter);
    }
    // The progress window owned by (and standing over) owner; null means the main window.
    virtual void ShowProgressOver(QWidget* owner, const QString& title, const QString& text, int maximum) {
        (void)owner;
        ShowProgress(title, text, maximum);
    }
    // A new caption for the open progress window.
    virtual void SetProgressCaption(const QString& caption) { (void)caption; }

    // The export progress window ("DIB Sequence Conversion", "AVI File Conversion"): a bar
    // 0..maximum, a text under it and a "Cancel" button, belonging to owner (the player) and standing
    // over it. ExportCancelled() turns true once the operator pressed Cancel or closed the window.
    // By default nothing is shown and nothing cancels.
    virtual void ShowExportProgress(QWidget* owner, const QString& title, const QString& text, int maximum) {
        (void)owner, (void)title, (void)text, (void)maximum;
    }
    virtual void SetExportProgress(int value, const QString& text) { (void)value, (void)text; }
    virtual bool ExportCancelled() { return false; }
    virtual void CloseExportProgress() {}

    // A line in plain words for the status line of the main window and the record console (why
    // controls are grey, what was just done); nothing to answer. By default it goes to that line.
    virtual void ShowStatus(const QString& text);

    // One finished trace line (time stamp included) for the trace window.
    virtual void TraceLine(const QString& line) = 0;
};

// The port in use. Never null: until one is installed, a silent port that answers OK/cancel.
UiPort& Ui();
// Installs port (not owned); nullptr goes back to the silent port.
void SetUi(UiPort* port);
