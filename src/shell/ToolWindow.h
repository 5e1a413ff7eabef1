#pragma once

#include "Configuration.h"

#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QTabWidget;
class QToolButton;

namespace shell {

// Base of the tool windows that live in the main window's right-hand panel:
// heading, picture, help button, text label, a line under the heading, and a
// page control. Texts come from the language section (default "Unit99").
class ToolWindow : public QWidget {
public:
    // host: the main window's right-hand panel; showHelp opens a help topic.
    ToolWindow(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp);

    QString text(int number) const { return m_config.languageText(m_sectionName, number); }

    const QString &sectionName() const { return m_sectionName; }
    int tag() const { return m_tag; }
    void setTag(int value) { m_tag = value; }

    QLabel *heading() const { return m_heading; }
    QLabel *picture() const { return m_picture; }
    QToolButton *helpButton() const { return m_helpButton; }
    QLabel *textLabel() const { return m_textLabel; }
    QFrame *headingLine() const { return m_headingLine; }
    QWidget *pageArea() const { return m_pageArea; }
    QTabWidget *pages() const { return m_pages; }

protected:
    // Derived windows take their texts from their own language section.
    void setSectionName(const QString &name) { m_sectionName = name; }
    void keyPressEvent(QKeyEvent *event) override;
    // The help topic F1 opens: the tool windows' own, or what the window shows now.
    virtual QString helpTopic() const { return QStringLiteral("450"); }

private:
    const Configuration &m_config;
    std::function<void(const QString &)> m_showHelp;

    QString m_sectionName = QStringLiteral("Unit99");
    int m_tag = 0;
    QLabel *m_heading;
    QLabel *m_picture;
    QToolButton *m_helpButton;
    QLabel *m_textLabel;
    QFrame *m_headingLine;
    QWidget *m_pageArea;
    QTabWidget *m_pages;
};

}  // namespace shell
