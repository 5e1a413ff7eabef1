#include "SessionPanel.h"

#include "core/Colours.h"
#include "core/Reports.h"
#include "session/RemoteSession.h"

namespace panels {

SessionPanel::SessionPanel(core::TimerFactory &timers, TextFn languageText, bool detailsVisible)
    : m_dialTimer(timers.createTimer()), m_languageText(std::move(languageText)),
      m_detailsVisible(detailsVisible)
{
    m_dialTimer->setInterval(FormBlinkMs);
    m_dialTimer->setCallback([this] { blinkTick(); });
    // Until the modem is initialised only "INIT" makes sense.
    m_init.enabled = true;
    m_partnerLabel = text(5);
}

SessionPanel::~SessionPanel() = default;

void SessionPanel::setSession(session::RemoteSession *session)
{
    if (m_session) disconnect(m_session, nullptr, this, nullptr);
    m_session = session;
    if (!session) return;
    connect(session, &session::RemoteSession::partnerLinked, this, [this](const QString &name) {
        if (m_hearsPartner) partnerLinked(name);
    });
    connect(session, &session::RemoteSession::sessionEnded, this, [this] {
        if (m_hearsEnd) sessionEnded();
    });
    connect(session, &session::RemoteSession::waitEnded, this, &SessionPanel::waitEnded);
    connect(session, &session::RemoteSession::initSucceeded, this, &SessionPanel::onInitSucceeded);
    connect(session, &session::RemoteSession::initFailed, this, &SessionPanel::onInitFailed);
}

void SessionPanel::waitEnded()
{
    // Once per click, as the click's own answer.
    const Pending pending = m_pending;
    m_pending = Pending::None;
    if (pending == Pending::DialPopUp) dialPopUp();
    else if (pending == Pending::SpeakerOffDone) speakerOffDone();
}

void SessionPanel::onInitSucceeded(const QString &report)
{
    if (!m_initPending) return;
    m_initPending = false;
    initSuccess(report);
}

void SessionPanel::onInitFailed()
{
    if (!m_initPending) return;
    m_initPending = false;
    initFailure();
}

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

bool SessionPanel::showPanel(std::function<void()> onInit, std::function<void()> onHangUp,
                             std::function<bool()> onDial)
{
    if (m_closed) return false;
    initProc = std::move(onInit);
    hangUpProc = std::move(onHangUp);
    dialProc = std::move(onDial);
    setStatus(text(10));
    setReport(QString());
    m_online = false;
    if (m_session) m_hearsPartner = true;
    if (m_init.enabled) {
        m_hangUp.enabled = false;
        startBlink(Blink::Init, SlowBlinkMs);
    }
    changed();
    return true;
}

bool SessionPanel::showSessionPanel()
{
    if (!m_session) return false;
    session::RemoteSession *session = m_session;
    return showPanel([session] { session->sessionInit(); }, [session] { session->sessionHangUp(); },
                     [session] { return session->askDialNumber(); });
}

void SessionPanel::setOnline(bool online)
{
    m_online = online;
    changed();
}

void SessionPanel::setStatus(const QString &text)
{
    m_status = text;
    changed();
    emit statusChanged(text);
}

void SessionPanel::setReport(const QString &text)
{
    m_report = text;
    changed();
}

void SessionPanel::passPartnerText(const QString &text)
{
    emit partnerTextChanged(text);
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

void SessionPanel::blinkTick()
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

void SessionPanel::dialClick()
{
    m_dial.down = true;
    setStatus(text(14));
    stopBlink();
    passPartnerText(QString());
    bool mayDial = false;
    if (m_autoDial) {
        m_autoDial = false;
        mayDial = true;
    } else {
        mayDial = dialProc && dialProc();
    }
    if (!mayDial || !m_session) {
        dialPopUp();
        return;
    }
    m_dial.enabled = false;
    m_speakerOff.enabled = false;
    m_hangUp.enabled = true;
    m_hearsEnd = true;
    m_pending = Pending::DialPopUp;
    m_hearsPartner = true;
    const QString number = m_session->dialNumber();
    // Dial text and blink first: the session may end before SessionDial returns.
    m_dialText = text(3) + QStringLiteral("  ") + number;
    emit dialling(m_dialText);
    m_blink = Blink::Dialling;
    m_dialTimer->start();
    changed();
    if (!m_session->sessionDial(number)) {
        // Refused: a connection already stands; keep it and let the user hang it up.
        stopBlink();
        m_partnerLabel = m_connected ? linkedText(m_session->partnerText()) : QString();
        dialPopUp();
    }
}

void SessionPanel::initClick()
{
    m_init.down = true;
    stopBlink();
    m_blink = Blink::Dialling;
    passPartnerText(QString());
    m_statusLook = FieldLook::Normal;
    m_reportLook = FieldLook::Normal;
    setStatus(text(9));
    setReport(QString());
    if (m_session) m_initPending = true;
    if (initProc) initProc();
}

void SessionPanel::hangUpClick()
{
    setStatus(text(13));
    if (m_session) m_pending = Pending::DialPopUp;
    if (hangUpProc) {
        hangUpProc();
        if (m_session && m_session->line().isConnected()) hangUpProc();
    }
    m_hangUp.enabled = false;
    m_dial.enabled = true;
    m_speakerOff.enabled = true;
    setDisconnected();
    changed();
}

void SessionPanel::speakerOffClick()
{
    if (!m_session) return;
    m_speakerOff.down = true;
    m_dial.enabled = false;
    m_pending = Pending::SpeakerOffDone;
    changed();
    m_session->setSpeaker(false);
}

void SessionPanel::groupBoxClick()
{
    m_dial.enabled = m_init.enabled = m_hangUp.enabled = m_speakerOff.enabled = true;
    changed();
}

void SessionPanel::statusLabelClick()
{
    m_detailsVisible = !m_detailsVisible;
    changed();
}

void SessionPanel::autoDial()
{
    m_autoDial = true;
    if (m_dial.enabled) dialClick();
}

void SessionPanel::requestInit()
{
    if (m_init.enabled && initProc) initClick();
}

void SessionPanel::sessionEnded()
{
    m_hangUp.enabled = false;
    m_dial.enabled = true;
    m_speakerOff.enabled = true;
    setDisconnected();
    m_dialText = text(5);
    // The dial is over; "connecting" must not stay in the status field. The
    // main window reports link changes itself, so the status hook is left out.
    m_status = text(5);
    // Say why the dial failed; a time-out has no text of its own.
    if (m_session && !m_session->dialErrorText().isEmpty()) {
        m_reportLook = FieldLook::Error;
        setReport(m_session->dialErrorText());
    }
    m_dialTimer->start();
    changed();
    emit ended();
}

void SessionPanel::partnerLinked(const QString &name)
{
    m_partnerLabel = linkedText(name);
    m_connected = true;
    stopBlink();
    // The status field still says "connecting"; the link is up now. The main
    // window announces the link itself, so the status hook is left out.
    m_status = text(7);
    changed();
    emit linked(name);
}

void SessionPanel::initSuccess(const QString &report)
{
    m_init.enabled = false;
    m_init.down = false;
    m_dial.enabled = true;
    m_speakerOff.enabled = true;
    m_online = true;
    setDisconnected();
    m_statusLook = FieldLook::Info;
    setStatus(text(11));
    setReport(report);
    startBlink(Blink::Idle, SlowBlinkMs);
    changed();
    if (m_autoDial) autoDial();
}

void SessionPanel::initFailure()
{
    m_init.down = false;
    m_statusLook = FieldLook::Error;
    setStatus(text(8));
    m_reportLook = FieldLook::Error;
    setReport(text(8));
    m_dialText = text(8);
    m_dialTimer->start();
    changed();
}

void SessionPanel::dialPopUp()
{
    m_dial.down = false;
    changed();
}

void SessionPanel::speakerOffDone()
{
    m_dial.enabled = true;
    m_speakerOff.down = false;
    m_speakerOff.enabled = false;
    changed();
}

void SessionPanel::close()
{
    m_online = false;
    // The session's outcomes end here.
    m_hearsPartner = m_hearsEnd = m_initPending = false;
    m_pending = Pending::None;
    initProc = nullptr;
    hangUpProc = nullptr;
    dialProc = nullptr;
    // A closed panel reports nothing further but its redraws.
    disconnect(this, &SessionPanel::statusChanged, nullptr, nullptr);
    disconnect(this, &SessionPanel::partnerTextChanged, nullptr, nullptr);
    disconnect(this, &SessionPanel::linked, nullptr, nullptr);
    disconnect(this, &SessionPanel::ended, nullptr, nullptr);
    disconnect(this, &SessionPanel::dialling, nullptr, nullptr);
    stopBlink();
    m_closed = true;
    changed();
}

void SessionPanel::halt()
{
    core::reports().debug(QStringLiteral("mst_panel> halt"));
    stopBlink();
}

}  // namespace panels
