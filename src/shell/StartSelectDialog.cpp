#include "StartSelectDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace shell {

StartSelectDialog::StartSelectDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Start Select"));
    resize(350, 121);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Monitor aufbauen aus\n(Auswahl ändert keine Voreinstellung !)")));
    auto *buttons = new QHBoxLayout();
    const auto add = [&](const QString &caption, int result) {
        auto *button = new QPushButton(caption);
        QObject::connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons->addWidget(button);
        return button;
    };
    m_sysModButton = add(QStringLiteral("SysMod"), ResultOk);
    m_controllerButton = add(QStringLiteral("Steuerung"), ResultYes);
    m_modemButton = add(QStringLiteral("Modem"), ResultRetry);
    m_abortButton = add(QStringLiteral("Abbrechen"), ResultAbort);
    m_abortButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    layout->addLayout(buttons);
}

void StartSelectDialog::showEvent(QShowEvent *event)
{
    m_sysModButton->setVisible(m_mask & 1);
    m_controllerButton->setVisible(m_mask & 2);
    m_modemButton->setVisible(m_mask & 4);
    m_abortButton->setVisible(true);
    QDialog::showEvent(event);
}

}  // namespace shell
