// "Enhance Properties": the unsharp mask on or off and its strength, applied to the player's
// picture while the dialog is open; Cancel (or closing) puts the old setting back.
#pragma once

#include "imagelib/include/zrkimage.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class frmEnhance final : public QDialog {
    Q_OBJECT
public:
    // enhance is the player's pair, changed in place; redraw starts the player's one-shot redraw.
    frmEnhance(QWidget* owner, ZRK_ENHANCE& enhance, std::function<void()> redraw);

    QGroupBox* fraUnSharpMask;
    QCheckBox* chkOnOff;
    QSlider* sldApply;
    QLabel *lblApplyCapMin, *lblApplyCapMax;
    QPushButton *cmdOK, *cmdCancel;

    void done(int result) override;

private:
    void OnOnOff(bool checked);
    void OnSlider(int position);

    ZRK_ENHANCE& m_enhance;
    ZRK_ENHANCE m_saved;
    std::function<void()> m_redraw;
    bool m_loading = true;
};
