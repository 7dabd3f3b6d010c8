#include "base/waiting_windows.h"

#include "base/open_windows.h"
#include "base/shared_state.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>

// A window closed by destruction gets no hide event of ours: give the covered window back here.
WaitingWindow::~WaitingWindow() {
    if (m_disabled) m_disabled->setEnabled(true);
}

void WaitingWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QWidget* covered = Covered();
    if (covered && covered != m_disabled) {
        if (m_disabled) m_disabled->setEnabled(true);
        covered->setEnabled(false);
        m_disabled = covered;
    }
}

void WaitingWindow::hideEvent(QHideEvent* event) {
    if (m_disabled) m_disabled->setEnabled(true);
    m_disabled.clear();
    QWidget::hideEvent(event);
}

frmMsgBox::frmMsgBox(QWidget* parent) : WaitingWindow(parent, Qt::Dialog), m_lblMsg(new QLabel(this)) {
    setObjectName(QStringLiteral("frmMsgBox"));
    m_lblMsg->setObjectName(QStringLiteral("lblMsg"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(m_lblMsg, 1);
    setMinimumWidth(280);
}

void frmMsgBox::SetMessage(const QString& title, const QString& text) {
    setWindowTitle(title);
    m_lblMsg->setText(QString(text).remove(u'\r'));
}

QWidget* frmMsgBox::Covered() const {
    if (g_lngViewMode == 1) return Windows().frmRec;
    if (g_lngViewMode == 2) return Windows().frmThumbNail;
    return nullptr;
}

frmProgress::frmProgress(QWidget* parent)
    : WaitingWindow(parent, Qt::Dialog), m_lblMsg(new QLabel(this)), m_bar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    m_lblMsg->setObjectName(QStringLiteral("lblMsg"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblMsg);
    layout->addWidget(m_bar);
    setMinimumWidth(320);
}

void frmProgress::Setup(const QString& title, const QString& text, int maximum) {
    setWindowTitle(title);
    m_lblMsg->setText(QString(text).remove(u'\r'));
    m_bar->setRange(0, maximum);
    m_bar->setValue(0);
}

void frmProgress::SetValue(int value, const QString& text) {
    m_bar->setValue(value);
    if (!text.isNull()) m_lblMsg->setText(QString(text).remove(u'\r'));
}

QWidget* frmProgress::Covered() const {
    return Windows().frmThumbNail;
}
