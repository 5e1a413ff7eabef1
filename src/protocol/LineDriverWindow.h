#pragma once

#include "widgets/Lamp.h"
#include "comlink/WindowParts.h"
#include "protocol/Line401.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace protocol {

// The local line's port window ("zbl_port"): line state, counters, the
// time-out field and the test buttons, over the line driver.
class LineDriverWindow : public QWidget {
public:
    LineDriverWindow(Line401 &line, core::TimerFactory &timers, QWidget *parent = nullptr);
    ~LineDriverWindow() override;

    Line401 &line() { return m_line; }
    widgets::Lamp *linkLed() { return m_linkLed; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPushButton *addButton(QLayout *layout, const QString &text, std::function<void()> action)
    {
        return comlink::addActionButton(this, layout, text, std::move(action));
    }
    void refresh();
    void showLink() { m_linkLed->setLit(m_line.lineOpened() && m_line.port().isLinked()); }

    Line401 &m_line;
    comlink::RefreshThrottle m_refresh;
    QList<QPushButton *> m_controllerButtons;

    QLineEdit *m_portField = nullptr;
    QLineEdit *m_qrxReturn = nullptr;
    QLineEdit *m_message = nullptr;
    QLineEdit *m_testField = nullptr;
    QLabel *m_txCount = nullptr;
    QLabel *m_rxCount = nullptr;
    QLabel *m_timeouts = nullptr;
    QSpinBox *m_timeout = nullptr;
    widgets::Lamp *m_lineLed = nullptr;
    widgets::Lamp *m_syncLed = nullptr;
    widgets::Lamp *m_linkLed = nullptr;
};

}  // namespace protocol
