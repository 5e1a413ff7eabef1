#pragma once

#include <QDialog>

class QPushButton;

namespace shell {

// "Start Select": asks how to build the monitor. Mask bit 0 shows "SysMod",
// bit 1 "Steuerung", bit 2 "Modem"; the abort button is always there.
class StartSelectDialog : public QDialog {
public:
    enum Result { ResultOk = 1, ResultCancel = 2, ResultAbort = 3, ResultRetry = 4, ResultYes = 6 };

    explicit StartSelectDialog(QWidget *parent = nullptr);

    int mask = 3;

    QPushButton *sysModButton;
    QPushButton *steuerungsButton;
    QPushButton *modemButton;
    QPushButton *bitBtn1;

    void reject() override { done(ResultCancel); }

protected:
    void showEvent(QShowEvent *event) override;
};

}  // namespace shell
