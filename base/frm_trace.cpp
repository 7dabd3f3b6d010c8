#include "base/frm_trace.h"

#include "base/open_windows.h"

#include <QListWidget>
#include <QVBoxLayout>

frmTrace::frmTrace(QWidget* parent) : QWidget(parent, Qt::Window), m_lstMsg(new QListWidget(this)) {
    setObjectName(QStringLiteral("frmTrace"));
    setWindowTitle(QStringLiteral("Debug Window"));
    m_lstMsg->setObjectName(QStringLiteral("lstMsg"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_lstMsg);
    resize(520, 360);
}

void frmTrace::AddTraceLine(const QString& line) {
    m_lstMsg->addItem(line);
    const int n = m_lstMsg->count() - 1;
    if (n > 100) {
        for (int i = n - 100; i >= 0; --i)
            delete m_lstMsg->takeItem(i);
    }
    m_lstMsg->setCurrentRow(m_lstMsg->count() - 1);
}

frmTrace* TraceWindow(bool create) {
    if (!Windows().frmTrace && create) Windows().frmTrace = new frmTrace();
    return static_cast<frmTrace*>(Windows().frmTrace.data());
}
