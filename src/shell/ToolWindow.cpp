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
    m_heading = new QLabel(this);
    m_heading->setFont(heading);
    m_heading->setGeometry(44, 4, 300, 24);
    m_picture = new QLabel(this);
    m_picture->setGeometry(4, 2, 33, 33);
    m_helpButton = new QToolButton(this);
    m_helpButton->setText(QStringLiteral("?"));
    m_helpButton->setAutoRaise(true);
    m_helpButton->setGeometry(width() - 28, 4, 24, 24);
    m_textLabel = new QLabel(this);
    m_textLabel->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    // Navy on a light window; under a dark theme the palette's link colour, which the theme keeps readable.
    const bool darkTheme = palette().color(QPalette::Window).lightness() < 128;
    m_textLabel->setStyleSheet(QStringLiteral("color: %1").arg(darkTheme ? palette().color(QPalette::Link).name() : QStringLiteral("navy")));
    m_textLabel->setGeometry(44, 24, 300, 14);
    m_headingLine = new QFrame(this);
    m_headingLine->setFrameShape(QFrame::HLine);
    m_headingLine->setGeometry(4, 38, 400, 1);
    m_pageArea = new QWidget(this);
    m_pageArea->setGeometry(0, 42, width(), height() - 42);
    m_pages = new QTabWidget(m_pageArea);
    auto *layout = new QVBoxLayout(m_pageArea);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_pages);
    m_pages->hide();

    QObject::connect(m_helpButton, &QToolButton::clicked, this, [this] {
        if (m_showHelp) m_showHelp(QStringLiteral("Contents"));
    });
}

void ToolWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && m_showHelp) {
        m_showHelp(helpTopic());
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace shell
