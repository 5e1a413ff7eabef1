#include "VersionWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace shell {

VersionWindow::VersionWindow(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp,
               const VersionInfo &info)
    : ToolWindow(host, config, std::move(showHelp))
{
    formLabel->setText(QStringLiteral("Information"));

    auto *layout = new QVBoxLayout();
    auto *toolBar = new QHBoxLayout();
    closeButton = new QPushButton(QStringLiteral("schliessen"));
    toolBar->addWidget(closeButton);
    toolBar->addStretch();
    layout->addLayout(toolBar);

    memo1 = new QPlainTextEdit();
    memo1->setReadOnly(true);
    memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier(QStringLiteral("Courier New"), 9);
    courier.setStyleHint(QFont::TypeWriter);
    memo1->setFont(courier);
    memo1->setStyleSheet(QStringLiteral("color: purple"));
    memo1->setPlainText(info.lines.join(QLatin1Char('\n')));
    layout->addWidget(memo1);

    delete orientierung->layout();
    orientierung->setLayout(layout);

    QObject::connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace shell
