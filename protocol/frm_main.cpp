#include "protocol/frm_main.h"

#include "base/status_line.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumWidth(110);
    return b;
}

// The maker's mark: drawn rather than shipped as an image file.
QPixmap LogoPixmap() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(20, 70, 150));
    p.setPen(Qt::NoPen);
    p.drawEllipse(4, 4, 56, 56);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(20);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("ZRK1"));

    menuBar = new QMenuBar(this);
    QMenu* mnuHelp = menuBar->addMenu(QStringLiteral("Help(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("About ZRK-1 Control program"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    lblTitle = new QLabel(QStringLiteral("ZRK-1"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(LogoPixmap());

    fraRecPlay = new QGroupBox(QStringLiteral("Operations"), this);
    fraRecPlay->setObjectName(QStringLiteral("fraRecPlay"));
    cmdRec = Button(fraRecPlay, "cmdRec", QStringLiteral("Record"));
    cmdPlay = Button(fraRecPlay, "cmdPlay", QStringLiteral("Play"));
    cmdPlay->setToolTip(QStringLiteral("Disconnects the camera and opens a data file"));
    auto* recLayout = new QVBoxLayout(fraRecPlay);
    recLayout->addWidget(cmdRec);
    recLayout->addWidget(cmdPlay);

    fraSetup = new QGroupBox(QStringLiteral("Settings"), this);
    fraSetup->setObjectName(QStringLiteral("fraSetup"));
    cmdVersion = Button(fraSetup, "cmdVersion", QStringLiteral("Version"));
    cmdSyncMode = Button(fraSetup, "cmdSyncMode", QStringLiteral("Master/Slave"));
    cmdSetTcp = Button(fraSetup, "cmdSetTcp", QStringLiteral("TCP/IP"));
    cmdTime = Button(fraSetup, "cmdTime", QStringLiteral("Date/Time"));
    auto* setupLayout = new QGridLayout(fraSetup);
    setupLayout->addWidget(cmdVersion, 0, 0);
    setupLayout->addWidget(cmdSyncMode, 0, 1);
    setupLayout->addWidget(cmdSetTcp, 1, 0);
    setupLayout->addWidget(cmdTime, 1, 1);

    fraTCP = new QGroupBox(QStringLiteral("TCP/IP COM"), this);
    fraTCP->setObjectName(QStringLiteral("fraTCP"));
    lblCamIP = new QLabel(QStringLiteral("Camera IP :"), fraTCP);
    lblCamIP->setObjectName(QStringLiteral("lblCamIP"));
    lblIP = new QLabel(QStringLiteral("0.0.0.0"), fraTCP);
    lblIP->setObjectName(QStringLiteral("lblIP"));
    cmdSetIP = Button(fraTCP, "cmdSetIP", QStringLiteral("Change IP"));
    chkTCPConnect = new QCheckBox(QStringLiteral("Connect"), fraTCP);
    chkTCPConnect->setObjectName(QStringLiteral("chkTCPConnect"));
    auto* tcpLayout = new QGridLayout(fraTCP);
    tcpLayout->addWidget(lblCamIP, 0, 0);
    tcpLayout->addWidget(lblIP, 0, 1);
    tcpLayout->addWidget(cmdSetIP, 1, 0);
    tcpLayout->addWidget(chkTCPConnect, 1, 1);

    auto* header = new QHBoxLayout;
    header->addWidget(logo);
    header->addWidget(lblTitle, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(header);
    layout->addWidget(fraRecPlay);
    layout->addWidget(fraSetup);
    layout->addWidget(fraTCP);

    // What just happened, or why controls are grey; written through the operator interface.
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setFrameShape(QFrame::StyledPanel);
    lblStatus->setFrameShadow(QFrame::Sunken);
    lblStatus->setMinimumHeight(2 * lblStatus->fontMetrics().lineSpacing() + 4);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblStatus);
    ShowStatusIn(lblStatus);
}

void frmMain::ShowAddress(const QString& caption, const QString& address) {
    setWindowTitle(caption);
    lblIP->setText(address);
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}
