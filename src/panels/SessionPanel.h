#pragma once

#include "core/Timer.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace session {
class RemoteSession;
}

namespace panels {

using TextFn = std::function<QString(const QString &section, const QString &ident)>;

// How the status and report fields look: normal text, the information
// background after a good init, red text after a failed one.
enum class FieldLook { Normal, Info, Error };

// Which blink the panel's DialTimer runs.
enum class Blink { Dialling, Init, Idle };

struct ButtonState {
    bool enabled = false;
    bool down = false;
};

// The logic of the session panel (window SessionPanelWindow): button enabling, the
// blinks of the partner label, and the hand-over to the remote session control,
// whose outcomes it hears through the session's signals.
class SessionPanel : public QObject {
    Q_OBJECT
public:
    static constexpr int FormBlinkMs = 750;
    static constexpr int SlowBlinkMs = 700;

    // languageText: the language file lookup; a missing or empty text shows its number.
    SessionPanel(core::TimerFactory &timers, TextFn languageText, bool detailsVisible);
    ~SessionPanel() override;

    // The session whose outcomes the panel shows, until it is closed.
    void setSession(session::RemoteSession *session);

    // Stores the procedures and prepares the panel; false once the panel is closed.
    bool showPanel(std::function<void()> initProc, std::function<void()> hangUpProc,
                   std::function<bool()> dialProc);
    // ShowPanel with the session's own init, hang-up and dial-number procedures.
    bool showSessionPanel();

    void setOnline(bool online);
    void setStatus(const QString &text);
    void setReport(const QString &text);

    // Buttons and clicks.
    void dialClick();
    void initClick();
    void hangUpClick();
    void speakerOffClick();
    void groupBoxClick();
    void statusLabelClick();
    void autoDial();
    void requestInit();

    // Handlers called by the session.
    void sessionEnded();
    void partnerLinked(const QString &name);
    void initSuccess(const QString &report);
    void initFailure();
    void dialPopUp();
    void speakerOffDone();

    void close();
    void halt();

    // Visible state.
    QString text(int number) const;
    const QString &partnerLabel() const { return m_partnerLabel; }
    const QString &status() const { return m_status; }
    const QString &report() const { return m_report; }
    FieldLook statusLook() const { return m_statusLook; }
    FieldLook reportLook() const { return m_reportLook; }
    const QString &initCaption() const { return m_initCaption; }
    const QString &dialText() const { return m_dialText; }
    unsigned onlineColour() const;
    bool detailsVisible() const { return m_detailsVisible; }
    bool closed() const { return m_closed; }
    bool connected() const { return m_connected; }
    bool autoDialSet() const { return m_autoDial; }
    Blink blink() const { return m_blink; }
    bool blinking() const;
    int blinkInterval() const;

    const ButtonState &dial() const { return m_dial; }
    const ButtonState &init() const { return m_init; }
    const ButtonState &hangUp() const { return m_hangUp; }
    const ButtonState &speakerOff() const { return m_speakerOff; }

    // The procedures the panel's buttons run (ShowPanel's arguments); the
    // dial procedure asks for the number and says whether to dial.
    std::function<void()> initProc;
    std::function<void()> hangUpProc;
    std::function<bool()> dialProc;

signals:
    // Something visible changed; the window redraws.
    void changed();
    // The status field's new text.
    void statusChanged(const QString &text);
    // The blinking dial text and its clearing, for whoever counts the session's texts.
    void partnerTextChanged(const QString &text);
    // A dial reached its partner.
    void linked(const QString &name);
    // A dial ended without a partner, or the connection went.
    void ended();
    // A number is dialled (the logon log records it).
    void dialling(const QString &text);

private:
    // What the session's next waitEnded completes: set by the click that started the wait.
    enum class Pending { None, DialPopUp, SpeakerOffDone };
    void waitEnded();
    void onInitSucceeded(const QString &report);
    void onInitFailed();
    void startBlink(Blink blink, int intervalMs);
    void stopBlink();
    void blinkTick();
    void setDisconnected();
    void passPartnerText(const QString &text);
    QString linkedText(const QString &name) const;

    std::unique_ptr<core::Timer> m_dialTimer;
    TextFn m_languageText;
    session::RemoteSession *m_session = nullptr;
    Pending m_pending = Pending::None;
    bool m_initPending = false;
    // The session's partner and end reach the panel once a dial or ShowPanel asked for them.
    bool m_hearsPartner = false;
    bool m_hearsEnd = false;
    Blink m_blink = Blink::Dialling;
    bool m_autoDial = false;
    bool m_detailsVisible = false;
    bool m_closed = false;
    bool m_connected = false;
    bool m_online = false;
    QString m_partnerLabel;
    QString m_status;
    QString m_report;
    FieldLook m_statusLook = FieldLook::Normal;
    FieldLook m_reportLook = FieldLook::Normal;
    QString m_initCaption = QStringLiteral("INIT");
    QString m_dialText;

    ButtonState m_dial;
    ButtonState m_init;
    ButtonState m_hangUp;
    ButtonState m_speakerOff;
};

}  // namespace panels
