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
    heading()->setText(QStringLiteral("Information"));

    auto *layout = new QVBoxLayout();
    auto *toolBar = new QHBoxLayout();
    m_closeButton = new QPushButton(QStringLiteral("schliessen"));
    toolBar->addWidget(m_closeButton);
    toolBar->addStretch();
    layout->addLayout(toolBar);

    m_versionLines = new QPlainTextEdit();
    m_versionLines->setReadOnly(true);
    m_versionLines->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_versionLines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_versionLines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier(QStringLiteral("Courier New"), 9);
    courier.setStyleHint(QFont::TypeWriter);
    m_versionLines->setFont(courier);
    m_versionLines->setStyleSheet(QStringLiteral("color: purple"));
    m_versionLines->setPlainText(info.lines.join(QLatin1Char('\n')));
    layout->addWidget(m_versionLines);

    delete pageArea()->layout();
    pageArea()->setLayout(layout);

    QObject::connect(m_closeButton, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace shell
