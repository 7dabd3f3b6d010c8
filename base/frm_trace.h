// The "Debug Window": the trace lines, newest last, cut back to the newest 100.
#pragma once

#include <QWidget>

class QListWidget;

class frmTrace : public QWidget {
    Q_OBJECT
public:
    explicit frmTrace(QWidget* parent = nullptr);

    // Appends line; past 101 lines drops back to the newest 100. Selects the newest line.
    void AddTraceLine(const QString& line);
    QListWidget* lstMsg() const { return m_lstMsg; }

private:
    QListWidget* m_lstMsg;
};

// The trace window, created (hidden) on first use when create is true.
frmTrace* TraceWindow(bool create);
