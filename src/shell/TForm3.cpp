#include "TForm3.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace shell {

TForm3::TForm3(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp,
               const VersionInfo &info)
    : TForm99(host, config, std::move(showHelp))
{
    FormLabel->setText(QStringLiteral("Information"));

    auto *layout = new QVBoxLayout();
    auto *toolBar = new QHBoxLayout();
    CloseButton = new QPushButton(QStringLiteral("schliessen"));
    toolBar->addWidget(CloseButton);
    toolBar->addStretch();
    layout->addLayout(toolBar);

    Memo1 = new QPlainTextEdit();
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier(QStringLiteral("Courier New"), 9);
    courier.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(courier);
    Memo1->setStyleSheet(QStringLiteral("color: purple"));
    Memo1->setPlainText(info.Lines.join(QLatin1Char('\n')));
    layout->addWidget(Memo1);

    delete Orientierung->layout();
    Orientierung->setLayout(layout);

    QObject::connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace shell
