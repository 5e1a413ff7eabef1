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
    sysModButton = add(QStringLiteral("SysMod"), ResultOk);
    steuerungsButton = add(QStringLiteral("Steuerung"), ResultYes);
    modemButton = add(QStringLiteral("Modem"), ResultRetry);
    bitBtn1 = add(QStringLiteral("Abbrechen"), ResultAbort);
    bitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    layout->addLayout(buttons);
}

void StartSelectDialog::showEvent(QShowEvent *event)
{
    sysModButton->setVisible(mask & 1);
    steuerungsButton->setVisible(mask & 2);
    modemButton->setVisible(mask & 4);
    bitBtn1->setVisible(true);
    QDialog::showEvent(event);
}

}  // namespace shell
