#include "ToolWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace shell {

ToolWindow::ToolWindow(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp)
    : QWidget(host), m_config(config), m_showHelp(std::move(showHelp))
{
    setGeometry(0, 0, host ? host->width() : 423, host ? host->height() - 10 : 454);

    QFont heading(QStringLiteral("Arial"), 12, QFont::Bold);
    formLabel = new QLabel(this);
    formLabel->setFont(heading);
    formLabel->setGeometry(44, 4, 300, 24);
    picture = new QLabel(this);
    picture->setGeometry(4, 2, 33, 33);
    helpButton = new QToolButton(this);
    helpButton->setText(QStringLiteral("?"));
    helpButton->setAutoRaise(true);
    helpButton->setGeometry(width() - 28, 4, 24, 24);
    textLabel = new QLabel(this);
    textLabel->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    textLabel->setStyleSheet(QStringLiteral("color: navy"));
    textLabel->setGeometry(44, 24, 300, 14);
    strich = new QFrame(this);
    strich->setFrameShape(QFrame::HLine);
    strich->setGeometry(4, 38, 400, 1);
    orientierung = new QWidget(this);
    orientierung->setGeometry(0, 42, width(), height() - 42);
    pageControl1 = new QTabWidget(orientierung);
    auto *layout = new QVBoxLayout(orientierung);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(pageControl1);
    pageControl1->hide();

    QObject::connect(helpButton, &QToolButton::clicked, this, [this] {
        if (m_showHelp) m_showHelp(QStringLiteral("Contents"));
    });
}

void ToolWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && m_showHelp) {
        m_showHelp(QStringLiteral("450"));
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace shell
