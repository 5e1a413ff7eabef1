#pragma once

#include <QDialog>

class QTextBrowser;

namespace shell {

// The program's help: one HTML file, topics by anchor ("Contents", "10", "450").
class HelpViewer : public QDialog {
public:
    explicit HelpViewer(QWidget *parent = nullptr);
    void SetHelpFile(const QString &fileName) { m_fileName = fileName; }
    QString HelpFile() const { return m_fileName; }
    // Shows the topic; an unknown anchor shows the file from its top.
    void ShowTopic(const QString &anchor);
    QTextBrowser *Browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
    QString m_fileName;
};

}  // namespace shell
