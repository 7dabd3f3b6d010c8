#include "playback/frm_make_folder.h"

#include "base/ui_port.h"
#include "playback/playback_state.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmMakeFolder::frmMakeFolder(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmMakeFolder"));
    setWindowTitle(QStringLiteral("Create New Folder"));
    lblCurrentFolderCap = new QLabel(QStringLiteral("Current folder:"), this);
    lblCurrentFolderCap->setObjectName(QStringLiteral("lblCurrentFolderCap"));
    lblCurrentFolder = new QLabel(Playback().exportFolder, this);
    lblCurrentFolder->setObjectName(QStringLiteral("lblCurrentFolder"));
    lblMakeFolderCap = new QLabel(QStringLiteral("Folder name:"), this);
    lblMakeFolderCap->setObjectName(QStringLiteral("lblMakeFolderCap"));
    txtMakeFolder = new QLineEdit(this);
    txtMakeFolder->setObjectName(QStringLiteral("txtMakeFolder"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(lblCurrentFolderCap, 0, 0);
    grid->addWidget(lblCurrentFolder, 0, 1);
    grid->addWidget(lblMakeFolderCap, 1, 0);
    grid->addWidget(txtMakeFolder, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(txtMakeFolder, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdOK->setEnabled(!text.isEmpty()); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmMakeFolder::OnOK() {
    const QString name = txtMakeFolder->text();
    QString& folder = Playback().exportFolder;
    // mkdir refuses a name that exists already, so an existing folder is reported too.
    if (name.isEmpty() || !QDir().mkdir(folder + name)) {
        Ui().MessageBox(windowTitle(), QStringLiteral("Cannot create new folder."), MsgIcon::Information,
                        MsgButtons::Ok);
        reject();
        return;
    }
    folder += name + u'/';
    accept();
}
