#include "base/qt_ui.h"

#include "base/file_utils.h"
#include "base/frm_trace.h"
#include "base/open_windows.h"
#include "base/waiting_windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// The open dialog shows name, size, type and date side by side.
constexpr QSize kOpenDialogSize(780, 460);

void PlaceOver(QWidget* dialog, QWidget* owner) {
    dialog->adjustSize();
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    dialog->move(PlacedOver(dialog->size(), owner ? owner->frameGeometry() : area, area).topLeft());
}

} // namespace

QRect PlacedOver(const QSize& box, const QRect& owner, const QRect& screen) {
    QRect placed(QPoint(0, 0), box);
    placed.moveCenter(owner.isValid() ? owner.center() : screen.center());
    if (!screen.isValid()) return placed;
    placed.moveLeft(std::max(screen.left(), std::min(placed.left(), screen.right() + 1 - box.width())));
    placed.moveTop(std::max(screen.top(), std::min(placed.top(), screen.bottom() + 1 - box.height())));
    return placed;
}

QWidget* QtUi::DialogParent() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return Windows().frmMain;
}

MsgResult QtUi::MessageBox(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(DialogParent());
    box.setWindowTitle(title);
    box.setText(QString(text).remove(u'\r'));
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    PlaceOver(&box, box.parentWidget());
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::Ok;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return MsgResult::Cancel;
    }
}

QString QtUi::OpenFileDialog(const QString& title, const QString& filter) {
    QFileDialog dialog(DialogParent(), title.isEmpty() ? QStringLiteral("Open") : title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFilterFromPipes(filter));
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(dialog.size().expandedTo(kOpenDialogSize));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString QtUi::SaveFileDialog(const QString& title, const QString& filter) {
    return SaveFileDialogProposing(title, filter, QString());
}

QString QtUi::SaveFileDialogProposing(const QString& title, const QString& filter,
                                      const QString& proposedPath) {
    QFileDialog dialog(DialogParent(), title.isEmpty() ? QStringLiteral("Save As") : title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!proposedPath.isEmpty()) dialog.selectFile(proposedPath);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFilterFromPipes(filter));
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        const QString path = dialog.selectedFiles().constFirst();
        if (QFileInfo::exists(path)) return path; // the dialog itself confirmed the overwrite
        const auto answer = MessageBox(dialog.windowTitle(),
                                       QFileInfo(path).fileName() +
                                           QStringLiteral(" does not exist.\nDo you want to create it?"),
                                       MsgIcon::Exclamation, MsgButtons::YesNo);
        if (answer == MsgResult::Yes) return path;
    }
}

QString QtUi::FolderDialog(const QString& title, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(DialogParent(), title, startFolder, QFileDialog::ShowDirsOnly);
}

void QtUi::ShowNotice(const QString& title, const QString& text) {
    if (!Windows().frmMsgBox) Windows().frmMsgBox = new frmMsgBox(Windows().frmMain);
    auto* window = static_cast<frmMsgBox*>(Windows().frmMsgBox.data());
    window->SetMessage(title, text);
    window->show();
    window->raise();
}

void QtUi::CloseNotice() {
    if (Windows().frmMsgBox) Windows().frmMsgBox->hide();
}

void QtUi::ShowProgress(const QString& title, const QString& text, int maximum) {
    if (!Windows().frmProgress) Windows().frmProgress = new frmProgress(Windows().frmMain);
    auto* window = static_cast<frmProgress*>(Windows().frmProgress.data());
    window->Setup(title, text, maximum);
    window->show();
    window->raise();
}

void QtUi::ShowProgressOver(QWidget* owner, const QString& title, const QString& text, int maximum) {
    ShowProgress(title, text, maximum);
    // It stands over the window that asked; it is not that window's child, since it disables the
    // browser it covers and a child would be disabled with it.
    QWidget* window = Windows().frmProgress;
    if (owner && window) {
        window->adjustSize();
        QRect frame = window->frameGeometry();
        frame.moveCenter(owner->frameGeometry().center());
        window->move(frame.topLeft());
    }
}

void QtUi::SetProgressCaption(const QString& caption) {
    if (Windows().frmProgress) Windows().frmProgress->setWindowTitle(caption);
}

void QtUi::SetProgress(int value, const QString& text) {
    if (Windows().frmProgress) static_cast<frmProgress*>(Windows().frmProgress.data())->SetValue(value, text);
}

void QtUi::CloseProgress() {
    if (Windows().frmProgress) Windows().frmProgress->hide();
}

void QtUi::TraceLine(const QString& line) {
    TraceWindow(true)->AddTraceLine(line);
}

namespace {

// The export progress window: bar, text, "Cancel". Closing it counts as Cancel.
class ExportProgressWindow final : public QWidget {
public:
    ExportProgressWindow() : QWidget(Windows().frmMain, Qt::Window | Qt::WindowTitleHint) {
        setObjectName(QStringLiteral("frmConvertProgress"));
        bar = new QProgressBar(this);
        bar->setObjectName(QStringLiteral("ProgressBar"));
        bar->setTextVisible(false);
        label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblMsg"));
        label->setAlignment(Qt::AlignCenter);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setObjectName(QStringLiteral("cmdCancel"));
        cancel->setDefault(true);
        QObject::connect(cancel, &QPushButton::clicked, this, [this] { cancelled = true; });
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(bar);
        layout->addWidget(label);
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
        setFixedSize(284, 112);
    }
    QProgressBar* bar;
    QLabel* label;
    bool cancelled = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        cancelled = true;
        event->ignore(); // the export closes it once it has stopped
    }
};

QPointer<ExportProgressWindow> g_exportProgress;

} // namespace

void QtUi::ShowExportProgress(QWidget* owner, const QString& title, const QString& text, int maximum) {
    if (!g_exportProgress) g_exportProgress = new ExportProgressWindow;
    g_exportProgress->setWindowTitle(title);
    g_exportProgress->bar->setRange(0, maximum);
    g_exportProgress->bar->setValue(0);
    g_exportProgress->label->setText(text);
    g_exportProgress->cancelled = false;
    g_exportProgress->show();
    // Over its owner and kept above it, though not its child: the owner is disabled while the export
    // runs, and a child would be disabled with it, Cancel included.
    if (owner) {
        if (QWindow* own = owner->window()->windowHandle())
            g_exportProgress->windowHandle()->setTransientParent(own);
        QRect frame = g_exportProgress->frameGeometry();
        frame.moveCenter(owner->window()->frameGeometry().center());
        g_exportProgress->move(frame.topLeft());
    }
    g_exportProgress->raise();
}

void QtUi::SetExportProgress(int value, const QString& text) {
    if (!g_exportProgress) return;
    g_exportProgress->bar->setValue(value);
    g_exportProgress->label->setText(text);
}

bool QtUi::ExportCancelled() {
    return g_exportProgress && g_exportProgress->cancelled;
}

void QtUi::CloseExportProgress() {
    if (g_exportProgress) g_exportProgress->hide();
}
