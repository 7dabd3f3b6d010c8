// The program's windows, for the code that must find, disable or close one of them.
// A window registers itself when created; QPointer clears the entry when it is destroyed.
#pragma once

#include <QPointer>
#include <QWidget>

struct OpenWindows {
    QPointer<QWidget> frmMain;
    QPointer<QWidget> frmTrace;
    QPointer<QWidget> frmMsgBox;
    QPointer<QWidget> frmProgress;
    QPointer<QWidget> frmRec;       // record console
    QPointer<QWidget> frmThumbNail; // thumbnail browser
    QPointer<QWidget> frmPlay;      // player
    QPointer<QWidget> frmPreview;   // preview window
};

OpenWindows& Windows();
