#include "SessionPanel.h"

#include "core/LinkLamp.h"
#include "shell/Reports.h"
#include "shell/session/TModem.h"

namespace panels {

SessionPanel::SessionPanel(core::TimerFactory &timers, TextFn languageText, bool detailsVisible)
    : m_dialTimer(timers.createTimer()), m_languageText(std::move(languageText)),
      m_detailsVisible(detailsVisible)
{
    m_dialTimer->setInterval(FormBlinkMs);
    m_dialTimer->setCallback([this] { BlinkTick(); });
    // Until the modem is initialised only "INIT" makes sense.
    init.enabled = true;
    m_partnerLabel = text(5);
}

SessionPanel::~SessionPanel() = default;

QString SessionPanel::text(int number) const
{
    const QString ident = QString::number(number);
    const QString found = m_languageText ? m_languageText(QStringLiteral("panel"), ident) : QString();
    return found.isEmpty() ? ident : found;
}

unsigned SessionPanel::onlineColour() const
{
    return m_online ? core::colour::Green : core::colour::Red;
}

bool SessionPanel::blinking() const
{
    return m_dialTimer->isActive();
}

int SessionPanel::blinkInterval() const
{
    return m_dialTimer->interval();
}

void SessionPanel::changed()
{
    if (OnChanged) OnChanged();
}

bool SessionPanel::ShowPanel(std::function<void()> initProc, std::function<void()> hangUpProc,
                             std::function<bool()> dialProc)
{
    if (m_closed) return false;
    InitProc = std::move(initProc);
    HangUpProc = std::move(hangUpProc);
    DialProc = std::move(dialProc);
    SetStatus(text(10));
    SetReport(QString());
    m_online = false;
    if (m_session) m_session->PartnerHook = [this](const QString &name) { PartnerLinked(name); };
    if (init.enabled) {
        hangUp.enabled = false;
        startBlink(Blink::Init, SlowBlinkMs);
    }
    changed();
    return true;
}

bool SessionPanel::ShowSessionPanel()
{
    if (!m_session) return false;
    shell::TModem *session = m_session;
    return ShowPanel([session] { session->SessionInit(); }, [session] { session->SessionHangUp(); },
                     [session] { return session->AskDialNumber(); });
}

void SessionPanel::SetMonitorHooks(std::function<void(const QString &)> onLinkUp,
                                   std::function<void(const QString &)> textHook,
                                   std::function<void(const QString &)> counterHook,
                                   std::function<void()> monitorHalt)
{
    LinkedHook = std::move(onLinkUp);
    StatusHook = std::move(textHook);
    PartnerTextHook = std::move(counterHook);
    if (m_session) m_session->MonitorHalt = std::move(monitorHalt);
}

void SessionPanel::SetOnline(bool online)
{
    m_online = online;
    changed();
}

void SessionPanel::SetStatus(const QString &text)
{
    m_status = text;
    changed();
    if (StatusHook) StatusHook(text);
}

void SessionPanel::SetReport(const QString &text)
{
    m_report = text;
    changed();
}

void SessionPanel::passPartnerText(const QString &text)
{
    if (PartnerTextHook) PartnerTextHook(text);
}

QString SessionPanel::linkedText(const QString &name) const
{
    return name.isEmpty() ? text(7) : text(6) + QLatin1Char(' ') + name;
}

void SessionPanel::startBlink(Blink blink, int intervalMs)
{
    stopBlink();
    m_blink = blink;
    m_dialTimer->start(intervalMs);
}

void SessionPanel::stopBlink()
{
    m_dialTimer->stop();
    // A stopped INIT blink must not leave the button without its caption.
    m_initCaption = QStringLiteral("INIT");
}

void SessionPanel::BlinkTick()
{
    switch (m_blink) {
    case Blink::Dialling:
        m_partnerLabel = m_partnerLabel.isEmpty() ? m_dialText : QString();
        passPartnerText(m_partnerLabel);
        break;
    case Blink::Init:
        m_initCaption = m_initCaption.isEmpty() ? QStringLiteral("INIT") : QString();
        m_partnerLabel = m_initCaption.isEmpty() ? QString() : text(4);
        break;
    case Blink::Idle:
        m_partnerLabel = m_partnerLabel.isEmpty() ? text(5) : QString();
        break;
    }
    changed();
}

void SessionPanel::setDisconnected()
{
    m_connected = false;
    m_partnerLabel = text(5);
}

void SessionPanel::DialClick()
{
    dial.down = true;
    SetStatus(text(14));
    stopBlink();
    passPartnerText(QString());
    bool mayDial = false;
    if (m_autoDial) {
        m_autoDial = false;
        mayDial = true;
    } else {
        mayDial = DialProc && DialProc();
    }
    if (!mayDial || !m_session) {
        DialPopUp();
        return;
    }
    dial.enabled = false;
    speakerOff.enabled = false;
    hangUp.enabled = true;
    m_session->SessionEndedHook = [this] { SessionEnded(); };
    m_session->AnswerHook = [this] { DialPopUp(); };
    m_session->PartnerHook = [this](const QString &name) { PartnerLinked(name); };
    const QString number = m_session->DialNumber;
    // Dial text and blink first: the session may end before SessionDial returns.
    m_dialText = text(3) + QStringLiteral("  ") + number;
    if (LogOnWrite) LogOnWrite(m_dialText);
    m_blink = Blink::Dialling;
    m_dialTimer->start();
    changed();
    if (!m_session->SessionDial(number)) {
        // Refused: a connection already stands; keep it and let the user hang it up.
        stopBlink();
        m_partnerLabel = m_connected ? linkedText(m_session->PartnerText) : QString();
        DialPopUp();
    }
}

void SessionPanel::InitClick()
{
    init.down = true;
    stopBlink();
    m_blink = Blink::Dialling;
    passPartnerText(QString());
    m_statusLook = FieldLook::Normal;
    m_reportLook = FieldLook::Normal;
    SetStatus(text(9));
    SetReport(QString());
    if (m_session) {
        m_session->InitSuccessHook = [this](const QString &report) { InitSuccess(report); };
        m_session->InitFailureHook = [this] { InitFailure(); };
    }
    if (InitProc) InitProc();
}

void SessionPanel::HangUpClick()
{
    SetStatus(text(13));
    if (m_session) m_session->AnswerHook = [this] { DialPopUp(); };
    if (HangUpProc) {
        HangUpProc();
        if (m_session && m_session->port.IsConnected && m_session->port.IsConnected()) HangUpProc();
    }
    hangUp.enabled = false;
    dial.enabled = true;
    speakerOff.enabled = true;
    setDisconnected();
    changed();
}

void SessionPanel::SpeakerOffClick()
{
    if (!m_session) return;
    speakerOff.down = true;
    dial.enabled = false;
    m_session->AnswerHook = [this] { SpeakerOffDone(); };
    changed();
    m_session->SetSpeaker(false);
}

void SessionPanel::GroupBoxClick()
{
    dial.enabled = init.enabled = hangUp.enabled = speakerOff.enabled = true;
    changed();
}

void SessionPanel::StatusLabelClick()
{
    m_detailsVisible = !m_detailsVisible;
    changed();
}

void SessionPanel::AutoDial()
{
    m_autoDial = true;
    if (dial.enabled) DialClick();
}

void SessionPanel::RequestInit()
{
    if (init.enabled && InitProc) InitClick();
}

void SessionPanel::SessionEnded()
{
    hangUp.enabled = false;
    dial.enabled = true;
    speakerOff.enabled = true;
    setDisconnected();
    m_dialText = text(5);
    // The dial is over; "connecting" must not stay in the status field. The
    // main window reports link changes itself, so the status hook is left out.
    m_status = text(5);
    // Say why the dial failed; a time-out has no text of its own.
    if (m_session && !m_session->DialErrorText.isEmpty()) {
        m_reportLook = FieldLook::Error;
        SetReport(m_session->DialErrorText);
    }
    m_dialTimer->start();
    changed();
    if (SessionEndedHook) SessionEndedHook();
}

void SessionPanel::PartnerLinked(const QString &name)
{
    m_partnerLabel = linkedText(name);
    m_connected = true;
    stopBlink();
    // The status field still says "connecting"; the link is up now. The main
    // window announces the link itself, so the status hook is left out.
    m_status = text(7);
    changed();
    if (LinkedHook) LinkedHook(name);
}

void SessionPanel::InitSuccess(const QString &report)
{
    init.enabled = false;
    init.down = false;
    dial.enabled = true;
    speakerOff.enabled = true;
    m_online = true;
    setDisconnected();
    m_statusLook = FieldLook::Info;
    SetStatus(text(11));
    SetReport(report);
    startBlink(Blink::Idle, SlowBlinkMs);
    changed();
    if (m_autoDial) AutoDial();
}

void SessionPanel::InitFailure()
{
    init.down = false;
    m_statusLook = FieldLook::Error;
    SetStatus(text(8));
    m_reportLook = FieldLook::Error;
    SetReport(text(8));
    m_dialText = text(8);
    m_dialTimer->start();
    changed();
}

void SessionPanel::DialPopUp()
{
    dial.down = false;
    changed();
}

void SessionPanel::SpeakerOffDone()
{
    dial.enabled = true;
    speakerOff.down = false;
    speakerOff.enabled = false;
    changed();
}

void SessionPanel::Close()
{
    m_online = false;
    if (m_session) {
        m_session->PartnerHook = nullptr;
        m_session->SessionEndedHook = nullptr;
        m_session->AnswerHook = nullptr;
        m_session->InitSuccessHook = nullptr;
        m_session->InitFailureHook = nullptr;
    }
    InitProc = nullptr;
    HangUpProc = nullptr;
    DialProc = nullptr;
    LinkedHook = nullptr;
    PartnerTextHook = nullptr;
    SessionEndedHook = nullptr;
    StatusHook = nullptr;
    LogOnWrite = nullptr;
    stopBlink();
    m_closed = true;
    changed();
}

void SessionPanel::Halt()
{
    shell::Reports().debug(QStringLiteral("mst_panel> halt"));
    stopBlink();
}

}  // namespace panels
