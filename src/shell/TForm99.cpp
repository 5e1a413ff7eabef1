#include "TForm99.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace shell {

TForm99::TForm99(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp)
    : QWidget(host), m_config(config), m_showHelp(std::move(showHelp))
{
    setGeometry(0, 0, host ? host->width() : 423, host ? host->height() - 10 : 454);

    QFont heading(QStringLiteral("Arial"), 12, QFont::Bold);
    FormLabel = new QLabel(this);
    FormLabel->setFont(heading);
    FormLabel->setGeometry(44, 4, 300, 24);
    Picture = new QLabel(this);
    Picture->setGeometry(4, 2, 33, 33);
    HelpButton = new QToolButton(this);
    HelpButton->setText(QStringLiteral("?"));
    HelpButton->setAutoRaise(true);
    HelpButton->setGeometry(width() - 28, 4, 24, 24);
    TextLabel = new QLabel(this);
    TextLabel->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    TextLabel->setStyleSheet(QStringLiteral("color: navy"));
    TextLabel->setGeometry(44, 24, 300, 14);
    Strich = new QFrame(this);
    Strich->setFrameShape(QFrame::HLine);
    Strich->setGeometry(4, 38, 400, 1);
    Orientierung = new QWidget(this);
    Orientierung->setGeometry(0, 42, width(), height() - 42);
    PageControl1 = new QTabWidget(Orientierung);
    auto *layout = new QVBoxLayout(Orientierung);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(PageControl1);
    PageControl1->hide();

    QObject::connect(HelpButton, &QToolButton::clicked, this, [this] {
        if (m_showHelp) m_showHelp(QStringLiteral("Contents"));
    });
}

void TForm99::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && m_showHelp) {
        m_showHelp(QStringLiteral("450"));
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace shell
