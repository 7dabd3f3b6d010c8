#include "console/frm_about.h"

#include "console/setup_dialogs_common.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#ifndef ZRK_PROGRAM_VERSION
#define ZRK_PROGRAM_VERSION "0.0.0"
#endif

using setup::Named;

namespace {

// The program's mark, drawn rather than shipped as a file.
QPixmap IconPixmap() {
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 70, 150));
    p.drawRoundedRect(2, 2, 44, 44, 8, 8);
    p.setBrush(Qt::white);
    p.drawEllipse(14, 14, 20, 20);
    p.setBrush(QColor(20, 70, 150));
    p.drawEllipse(19, 19, 10, 10);
    return pixmap;
}

} // namespace

frmAbout::frmAbout(QWidget* owner) : QWidget(owner, Qt::Window), m_owner(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ZRK-1 Control Program"));
    setAttribute(Qt::WA_DeleteOnClose);

    imgIcon = Named(new QLabel(this), "imgIcon");
    imgIcon->setPixmap(IconPixmap());
    lblVersion = Named(
        new QLabel(QStringLiteral("ZRK-1 Control Program Ver ") + QStringLiteral(ZRK_PROGRAM_VERSION), this),
        "lblVersion");
    lblNotice = Named(new QLabel(QStringLiteral("Control program for the ZRK-1 high-speed camera.\n"
                                                "All rights reserved by its authors."),
                                 this),
                      "lblNotice");
    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    auto* layout = new QGridLayout(this);
    layout->addWidget(imgIcon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(lblVersion, 0, 1);
    layout->addWidget(lblNotice, 1, 1);
    layout->addWidget(cmdOK, 2, 1, Qt::AlignRight);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
}

void frmAbout::closeEvent(QCloseEvent* event) {
    setup::ReleaseOwner(m_owner);
    event->accept();
}
