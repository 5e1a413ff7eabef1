#include "HelpViewer.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace shell {

HelpViewer::HelpViewer(QWidget *parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Hilfe"));
    resize(560, 480);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
}

void HelpViewer::showTopic(const QString &anchor)
{
    if (!QFileInfo(m_fileName).isFile()) {
        m_browser->setPlainText(QStringLiteral("Hilfedatei nicht gefunden: ") + m_fileName);
    } else {
        const QUrl url = QUrl::fromLocalFile(m_fileName);
        if (m_browser->source() != url) m_browser->setSource(url);
        m_browser->scrollToAnchor(anchor);
    }
    show();
    raise();
    activateWindow();
}

}  // namespace shell
