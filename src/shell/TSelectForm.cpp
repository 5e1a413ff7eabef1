#include "TSelectForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace shell {

TSelectForm::TSelectForm(QWidget *parent) : QDialog(parent)
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
    SysModButton = add(QStringLiteral("SysMod"), ResultOk);
    SteuerungsButton = add(QStringLiteral("Steuerung"), ResultYes);
    ModemButton = add(QStringLiteral("Modem"), ResultRetry);
    BitBtn1 = add(QStringLiteral("Abbrechen"), ResultAbort);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    layout->addLayout(buttons);
}

void TSelectForm::showEvent(QShowEvent *event)
{
    SysModButton->setVisible(Mask & 1);
    SteuerungsButton->setVisible(Mask & 2);
    ModemButton->setVisible(Mask & 4);
    BitBtn1->setVisible(true);
    QDialog::showEvent(event);
}

}  // namespace shell
