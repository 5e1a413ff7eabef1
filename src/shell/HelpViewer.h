#pragma once

#include <QDialog>

class QTextBrowser;

namespace shell {

// The program's help: one HTML file, topics by anchor ("Contents", "10", "450").
class HelpViewer : public QDialog {
public:
    explicit HelpViewer(QWidget *parent = nullptr);
    void setHelpFile(const QString &fileName) { m_fileName = fileName; }
    QString helpFile() const { return m_fileName; }
    // Shows the topic; an unknown anchor shows the file from its top.
    void showTopic(const QString &anchor);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
    QString m_fileName;
};

}  // namespace shell
