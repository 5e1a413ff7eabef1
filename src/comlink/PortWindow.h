#pragma once

#include "comlink/ComPort.h"
#include "widgets/Lamp.h"
#include "comlink/LineLights.h"
#include "comlink/WindowParts.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace comlink {

class FramedLink;
class PortPicker;
class ModemControl;

// The port window: a hidden tool window over the port logic with its test
// buttons, lamps, status texts and traffic list.
class PortWindow : public QWidget {
public:
    // Framed test telegrams go through the framing layer, which another unit provides.
    using FramedAnswer = std::function<void(bool error, const QByteArray &answer)>;
    using FramedSend = std::function<void(const QByteArray &payload, FramedAnswer onAnswer)>;

    PortWindow(ComPort &port, core::TimerFactory &timers, QWidget *parent = nullptr);
    ~PortWindow() override;

    // Installs the framing layer's operations; the framed buttons stay disabled until then.
    void setFraming(FramedSend send, std::function<void(const QByteArray &framed)> sendFramed,
                    std::function<void()> reset);

    // The same through the framing layer itself: the test telegrams as requests,
    // the notification "030C0513" one-way.
    void setFraming(FramedLink &link);

    // Adds the modem group with its test buttons.
    void setModem(ModemControl &modem);

    ComPort &port() { return m_port; }
    PortPicker *picker() const { return m_picker; }
    widgets::Lamp *linkLed() { return m_linkLed; }
    // The status lights under "DCD   DSR  RING  CONNECT   RxD  TxD" and their state.
    widgets::Lamp *statusLight(LineLights::Light light) const;
    widgets::Lamp *connectLed() const { return m_connectLed; }
    const LineLights &lineLights() const { return m_lights; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPushButton *addButton(QLayout *layout, const QString &text, std::function<void()> action)
    {
        return comlink::addActionButton(this, layout, text, std::move(action));
    }
    void sendFramed(const QByteArray &payload);
    void refresh();
    void refreshLights();
    void abortProgram();
    void setStatus(const QString &text);
    void dialTest();

    ComPort &m_port;
    core::TimerFactory &m_timers;
    RefreshThrottle m_refresh;
    LineLights m_lights;
    FramedSend m_framedSend;
    std::function<void(const QByteArray &)> m_sendFramed;
    std::function<void()> m_framingReset;
    QList<QPushButton *> m_framedButtons;
    QStringList m_pendingMemo;

    QGroupBox *m_portGroup = nullptr;
    QLabel *m_comPortLabel = nullptr;
    PortPicker *m_picker = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_message = nullptr;
    QLabel *m_modemId = nullptr;
    widgets::Lamp *m_comOpenPanel = nullptr;
    widgets::Lamp *m_modemOpenPanel = nullptr;
    widgets::Lamp *m_connectLed = nullptr;
    widgets::Lamp *m_dataModLed = nullptr;
    widgets::Lamp *m_linkLed = nullptr;
    QList<QPair<LineLights::Light, widgets::Lamp *>> m_statusLights;  // DCD, DSR, RING, RxD, TxD
    QPlainTextEdit *m_memo = nullptr;
    QVBoxLayout *m_root = nullptr;
    ModemControl *m_modem = nullptr;
    QLabel *m_timerLabel = nullptr;
    int m_sRegister = 0;    // next "ATS%d?"
    int m_infoNumber = 0;   // next "ATI%d"
};

}  // namespace comlink
