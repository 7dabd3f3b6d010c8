// "Create New Folder": makes a folder inside the export folder and moves the export folder into it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmMakeFolder final : public QDialog {
    Q_OBJECT
public:
    explicit frmMakeFolder(QWidget* owner);
    QLabel *lblCurrentFolderCap, *lblCurrentFolder, *lblMakeFolderCap;
    QLineEdit* txtMakeFolder;
    QPushButton *cmdOK, *cmdCancel;
    void OnOK();
};
