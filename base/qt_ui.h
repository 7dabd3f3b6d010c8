// The operator-facing implementation of UiPort: real message boxes, file dialogs and windows.
#pragma once

#include "base/ui_port.h"

#include <QRect>

class QWidget;

// Where a box of this size goes: centred over the window that asked, moved in as far as needed to
// stand whole on the screen's free area (its top left corner visible when it is larger).
QRect PlacedOver(const QSize& box, const QRect& owner, const QRect& screen);

class QtUi final : public UiPort {
public:
    MsgResult MessageBox(const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    QString OpenFileDialog(const QString& title, const QString& filter) override;
    QString SaveFileDialog(const QString& title, const QString& filter) override;
    QString FolderDialog(const QString& title, const QString& startFolder) override;
    void ShowNotice(const QString& title, const QString& text) override;
    void CloseNotice() override;
    void ShowProgress(const QString& title, const QString& text, int maximum) override;
    void SetProgress(int value, const QString& text) override;
    void CloseProgress() override;
    QString SaveFileDialogProposing(const QString& title, const QString& filter,
                                    const QString& proposedPath) override;
    void ShowProgressOver(QWidget* owner, const QString& title, const QString& text, int maximum) override;
    void SetProgressCaption(const QString& caption) override;
    void ShowExportProgress(QWidget* owner, const QString& title, const QString& text, int maximum) override;
    void SetExportProgress(int value, const QString& text) override;
    bool ExportCancelled() override;
    void CloseExportProgress() override;
    void TraceLine(const QString& line) override;

private:
    static QWidget* DialogParent();
};
