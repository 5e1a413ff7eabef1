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

    int mask() const { return m_mask; }
    void setMask(int value) { m_mask = value; }

    QPushButton *sysModButton() const { return m_sysModButton; }
    QPushButton *controllerButton() const { return m_controllerButton; }
    QPushButton *modemButton() const { return m_modemButton; }
    QPushButton *abortButton() const { return m_abortButton; }

    void reject() override { done(ResultCancel); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    int m_mask = 3;
    QPushButton *m_sysModButton;
    QPushButton *m_controllerButton;
    QPushButton *m_modemButton;
    QPushButton *m_abortButton;
};

}  // namespace shell
