#include "base/ui_port.h"

#include "base/status_line.h"

namespace {

class SilentUi final : public UiPort {
public:
    MsgResult MessageBox(const QString&, const QString&, MsgIcon, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
    QString OpenFileDialog(const QString&, const QString&) override { return {}; }
    QString SaveFileDialog(const QString&, const QString&) override { return {}; }
    QString FolderDialog(const QString&, const QString&) override { return {}; }
    void ShowNotice(const QString&, const QString&) override {}
    void CloseNotice() override {}
    void ShowProgress(const QString&, const QString&, int) override {}
    void SetProgress(int, const QString&) override {}
    void CloseProgress() override {}
    void TraceLine(const QString&) override {}
};

SilentUi g_silentUi;
UiPort* g_ui = &g_silentUi;

} // namespace

UiPort& Ui() {
    return *g_ui;
}

void SetUi(UiPort* port) {
    g_ui = port ? port : &g_silentUi;
}

void UiPort::ShowStatus(const QString& text) {
    SetStatusText(text);
}
