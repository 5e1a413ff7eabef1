#include "PortWindow.h"

#include "core/Bytes.h"
#include "comlink/FramedLink.h"
#include "comlink/LinkLampBinding.h"
#include "comlink/ModemControl.h"
#include "comlink/PortPicker.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace comlink {

namespace {
constexpr int RefreshMs = 100;      // the byte-by-byte line must not repaint at every byte
constexpr int MemoLines = 2000;
constexpr int PendingLimit = 500;   // lines kept between two repaints

QString portGroupTitle(bool open) { return open ? QStringLiteral("PORT OPEN") : QStringLiteral("PORT CLOSED"); }

QString modemIdText(const ComPort::View &v)
{
    switch (v.modemIdentity) {
    case ComPort::ModemIdentity::Read: return v.modemId;
    case ComPort::ModemIdentity::NotRead: return QStringLiteral("keine ModemId");
    case ComPort::ModemIdentity::Unknown: break;
    }
    return QString();
}

QLabel *lampCaption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setMinimumWidth(60);
    return label;
}
}  // namespace

PortWindow::PortWindow(ComPort &port, core::TimerFactory &timers, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_port(port), m_timers(timers), m_refresh(*this, timers, [this] { refresh(); }, RefreshMs), m_lights(timers)
{
    setWindowTitle(QStringLiteral("MyComPort-TEST-PROGRAMM"));
    auto *root = m_root = new QVBoxLayout(this);

    m_portGroup = new QGroupBox(portGroupTitle(m_port.view().portOpen), this);
    auto *portColumn = new QVBoxLayout(m_portGroup);
    auto *portRow = new QHBoxLayout;
    portColumn->addLayout(portRow);
    addButton(portRow, QStringLiteral("COM1"), [this] { m_port.openPort(1); });
    addButton(portRow, QStringLiteral("COM2"), [this] { m_port.openPort(2); });
    addButton(portRow, QStringLiteral("CLOSE"), [this] { m_port.closePort(); });
    m_comOpenPanel = new widgets::Lamp(m_portGroup);
    portRow->addWidget(m_comOpenPanel);
    m_comPortLabel = new QLabel(m_portGroup);
    portRow->addWidget(m_comPortLabel, 1);
    m_picker = new PortPicker(m_portGroup);
    portColumn->addWidget(m_picker);
    root->addWidget(m_portGroup);

    auto *sendRow = new QHBoxLayout;
    addButton(sendRow, QStringLiteral("-> 'SOH'"), [this] { m_port.sendChar(0x01); });
    addButton(sendRow, QStringLiteral("-> 'AT'"), [this] { m_port.sendString(QByteArrayLiteral("AT\r")); });
    addButton(sendRow, QStringLiteral("ECHO/OFF"), [this] { m_port.sendString(m_port.echoOffCmd().toLatin1() + '\r'); });
    addButton(sendRow, QStringLiteral("LOCAL"), [this] { m_port.toggleLocalRx(); });
    addButton(sendRow, QStringLiteral("BUFFER"), [this] { m_port.setBuffered(true); });
    addButton(sendRow, QStringLiteral("MEMO/ASCII"), [this] { m_port.setMemoAscii(!m_port.memoAscii()); });
    root->addLayout(sendRow);

    auto *framedRow = new QHBoxLayout;
    const QList<QPair<QString, QByteArray>> framed{
        {QStringLiteral("ZBL/F100"), core::bytes({0xF1, 0x00})},
        {QStringLiteral("ZBL/F101"), core::bytes({0xF1, 0x01})},
        {QStringLiteral("ZBL/F140"), core::bytes({0xF1, 0x40})},
        {QStringLiteral("GRP/0 F100"), core::bytes({0xF0, 0x10, 0x70, 0x00, 0xF1, 0x00})},
        {QStringLiteral("GRP/1 F100"), core::bytes({0xF0, 0x10, 0x70, 0x01, 0xF1, 0x00})},
    };
    for (const auto &[caption, payload] : framed)
        m_framedButtons << addButton(framedRow, caption, [this, payload = payload] { sendFramed(payload); });
    m_framedButtons << addButton(framedRow, QStringLiteral("030C0513"), [this] {
        if (m_sendFramed) m_sendFramed(core::bytes({0x03, 0x0C, 0x05, 0x13}));
    });
    m_framedButtons << addButton(framedRow, QStringLiteral("NC/RESET"), [this] {
        if (m_framingReset) m_framingReset();
    });
    for (QPushButton *b : m_framedButtons) b->setEnabled(false);
    root->addLayout(framedRow);

    auto *lamps = new QGridLayout;
    m_linkLed = new widgets::Lamp(this);
    m_dataModLed = new widgets::Lamp(this);
    m_modemOpenPanel = new widgets::Lamp(this);
    const QList<QPair<QString, widgets::Lamp *>> lampList{{QStringLiteral("LINK"), m_linkLed},
                                                      {QStringLiteral("DATA"), m_dataModLed},
                                                      {QStringLiteral("MODEM"), m_modemOpenPanel}};
    for (int i = 0; i < lampList.size(); ++i) {
        lamps->addWidget(lampList[i].second, 0, 2 * i);
        lamps->addWidget(lampCaption(lampList[i].first, this), 0, 2 * i + 1);
    }
    m_modemId = new QLabel(this);
    lamps->addWidget(m_modemId, 0, 2 * lampList.size(), 1, 1);
    lamps->setColumnStretch(2 * lampList.size(), 1);

    // The status lights; CONNECT among them is the modem connection, not a line.
    m_connectLed = new widgets::Lamp(this, widgets::Lamp::lightColour(m_port.view().connected));
    QList<QWidget *> lights;
    const auto addLight = [this, &lights](LineLights::Light light) {
        auto *lamp = new widgets::Lamp(this, widgets::Lamp::lightColour(m_lights.lit(light), m_lights.known(light)));
        m_statusLights << qMakePair(light, lamp);
        lights << lamp;
    };
    for (const LineLights::Light light : {LineLights::Dcd, LineLights::Dsr, LineLights::Ring}) addLight(light);
    lights << m_connectLed;
    for (const LineLights::Light light : {LineLights::RxD, LineLights::TxD}) addLight(light);
    lamps->addWidget(new CaptionedLamps(QStringLiteral("DCD   DSR  RING  CONNECT   RxD  TxD"), lights, this), 1, 0, 1,
                     2 * lampList.size() + 1, Qt::AlignLeft);
    root->addLayout(lamps);
    m_lights.onChanged = [this] { refreshLights(); };

    m_status = new QLabel(this);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("Nachricht"));
    root->addWidget(m_status);
    root->addWidget(m_message);

    m_memo = new QPlainTextEdit(this);
    m_memo->setReadOnly(true);
    m_memo->setMaximumBlockCount(MemoLines);
    root->addWidget(m_memo, 1);

    auto *bottom = new QHBoxLayout;
    addButton(bottom, QStringLiteral("Clear"), [this] {
        m_pendingMemo.clear();
        m_memo->clear();
    });
    addButton(bottom, QStringLiteral("Abbrechen"), [this] { abortProgram(); })->setVisible(false);
    bottom->addStretch(1);
    root->addLayout(bottom);

    bindLinkLamp(*m_linkLed, m_port);
    m_port.onViewChanged = [this] { m_refresh.schedule(); };
    resize(640, 480);
    refresh();
}

PortWindow::~PortWindow()
{
    m_port.lineWatch().unwatch(m_lights);
    if (m_modem) m_modem->onTimerText = nullptr;
    m_port.onTrafficLine = nullptr;
    m_port.onViewChanged = nullptr;
    unbindLinkLamp(*m_linkLed, m_port);
}

void PortWindow::setFraming(FramedSend send, std::function<void(const QByteArray &)> sendFramed,
                            std::function<void()> reset)
{
    m_framedSend = std::move(send);
    m_sendFramed = std::move(sendFramed);
    m_framingReset = std::move(reset);
    const bool ready = bool(m_framedSend);
    for (QPushButton *b : m_framedButtons) b->setEnabled(ready);
}

void PortWindow::setFraming(FramedLink &link)
{
    const QPointer<PortWindow> window(this);
    setFraming(
        [&link](const QByteArray &payload, FramedAnswer onAnswer) {
            link.kavcomSend(payload, [onAnswer = std::move(onAnswer)](const QByteArray &answer) {
                onAnswer(answer.startsWith("<ERROR>"), answer);
            });
        },
        // The notification has no answer frame: the layer is free again as soon
        // as the far end acknowledges it, instead of waiting out the answer time-out.
        [&link, window](const QByteArray &frame) {
            link.sendNoAnswer(frame, [window](const QString &text) {
                if (window) window->setStatus(text);
            });
        },
        [&link] { link.kavcomReset(); });
}

void PortWindow::sendFramed(const QByteArray &payload)
{
    if (!m_framedSend) return;
    // Through the view, so the next repaint does not put an older status back;
    // the answer may come after the window is gone.
    const QPointer<PortWindow> window(this);
    m_framedSend(payload, [window](bool error, const QByteArray &answer) {
        if (window) window->setStatus(QStringLiteral("error=%1 %2").arg(int(error)).arg(ComPort::printableText(answer)));
    });
}

void PortWindow::refresh()
{
    const ComPort::View &v = m_port.view();
    m_portGroup->setTitle(portGroupTitle(v.portOpen));
    m_comPortLabel->setText(v.lowLatency.isEmpty() ? v.portLabel
                                                   : QStringLiteral("%1  low latency: %2").arg(v.portLabel, v.lowLatency));
    m_status->setText(v.status);
    m_message->setText(v.message);
    m_modemId->setText(modemIdText(v));
    m_comOpenPanel->setLit(v.portOpen);
    m_modemOpenPanel->setLit(v.modemOpen);
    m_connectLed->setLight(v.connected);
    m_dataModLed->setLit(m_port.dataMode());
    if (!m_pendingMemo.isEmpty()) {
        m_memo->appendPlainText(m_pendingMemo.join(QLatin1Char('\n')));
        m_pendingMemo.clear();
    }
}

void PortWindow::refreshLights()
{
    for (const auto &[light, lamp] : m_statusLights) {
        lamp->setLight(m_lights.lit(light), m_lights.known(light));
        lamp->setToolTip(m_lights.toolTip(light));
    }
}

widgets::Lamp *PortWindow::statusLight(LineLights::Light light) const
{
    for (const auto &[shown, lamp] : m_statusLights)
        if (shown == light) return lamp;
    return nullptr;
}

// The traffic list listens only while it can be seen: formatting every idle
// byte of the line for a hidden window would cost more CPU than the line itself.
void PortWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_port.onTrafficLine = [this](const QString &line) {
        m_pendingMemo << line;
        if (m_pendingMemo.size() > PendingLimit) m_pendingMemo.removeFirst();
        m_refresh.schedule();
    };
    // The status lights, too, are read only while they can be seen.
    m_port.lineWatch().watch(m_lights);
    refresh();
}

void PortWindow::hideEvent(QHideEvent *event)
{
    m_port.onTrafficLine = nullptr;
    m_port.lineWatch().unwatch(m_lights);
    QWidget::hideEvent(event);
}

void PortWindow::closeEvent(QCloseEvent *event)
{
    // Until the port has been closed, closing only hides the window.
    if (!m_port.closeAllowed()) {
        hide();
        event->ignore();
        return;
    }
    if (m_port.isOpen()) m_port.closePort();
    event->accept();
}

void PortWindow::abortProgram()
{
    m_port.setPortClosed(true);
    // The port outlives its window; the window may be gone when the pause ends.
    m_timers.singleShot(100, [&port = m_port] {
        port.portHalt();
        port.closePort();
        QCoreApplication::quit();
    });
}

}  // namespace comlink

namespace comlink {

void PortWindow::setModem(ModemControl &modem)
{
    if (m_modem) return;
    m_modem = &modem;
    auto *group = new QGroupBox(QStringLiteral("Modem"), this);
    auto *grid = new QGridLayout(group);
    auto *row1 = new QHBoxLayout;
    auto *row2 = new QHBoxLayout;
    grid->addLayout(row1, 0, 0);
    grid->addLayout(row2, 1, 0);

    addButton(row1, QStringLiteral("INIT"), [this] { m_modem->modemInit(); });
    addButton(row1, QStringLiteral("TEST"), [this] {
        setStatus(QStringLiteral("test Modem ") + m_port.view().portLabel);
        m_modem->modemTestAndInit([this](const QString &result) { setStatus(QStringLiteral("MODEMTEST=") + result); });
    });
    addButton(row1, QStringLiteral("-> 'AT'"), [this] { m_port.sendString(QByteArrayLiteral("AT\r")); });
    QPushButton *sButton = addButton(row1, QStringLiteral("-> 'ATS0?'"), [] {});
    connect(sButton, &QPushButton::clicked, this, [this, sButton] {
        m_port.sendString(QStringLiteral("ATS%1?\r").arg(m_sRegister).toLatin1());
        m_sRegister = m_sRegister >= 20 ? 0 : m_sRegister + 1;
        sButton->setText(QStringLiteral("-> 'ATS%1?'").arg(m_sRegister));
    });
    addButton(row1, QStringLiteral("ATI[n]....."), [this] {
        m_port.sendString(QStringLiteral("ATI%1\r").arg(m_infoNumber).toLatin1());
        m_infoNumber = m_infoNumber >= 10 ? 0 : m_infoNumber + 1;
    });
    addButton(row1, QStringLiteral("AT-TEST-BOX"), [this] {
        bool ok = false;
        const QString text = QInputDialog::getText(this, QStringLiteral("TEST STRING"), QString(), QLineEdit::Normal,
                                                   QStringLiteral("AT"), &ok);
        if (ok) m_port.sendString(text.toLatin1() + '\r');
    });

    addButton(row2, QStringLiteral("WAHL"), [this] { dialTest(); });
    addButton(row2, QStringLiteral("HangUp"), [this] {
        setStatus(QStringLiteral("HangUp"));
        m_modem->stopDialogueTimer();
        m_modem->hangUp();
    });
    addButton(row2, QStringLiteral("PartnerName"), [this] {
        m_port.memoText(QStringLiteral("REQUEST PARTNER NAME"));
        m_modem->requestPartnerName();
    });
    addButton(row2, QStringLiteral("MST.SYNC"), [this] {
        m_modem->startSyncTest([this](const QString &text) { setStatus(text); });
    });
    m_timerLabel = new QLabel(group);
    row2->addWidget(m_timerLabel, 1);
    m_modem->onTimerText = [this](const QString &text) { m_timerLabel->setText(text); };

    m_root->insertWidget(3, group);  // below the framed test buttons, above the lamps
}

void PortWindow::dialTest()
{
    bool ok = false;
    const QString number = QInputDialog::getText(this, QStringLiteral("TEST WAHL"), QStringLiteral("wähle"),
                                                  QLineEdit::Normal, m_port.dialNumber(), &ok);
    if (!ok) return;
    m_port.setDialNumber(number);
    m_modem->dial(
        number, [this](const QString &name) { setStatus(name); },
        [this](const QString &text) { setStatus(QStringLiteral("WAHL-FEHLER ") + text); });
    m_modem->startDialCountdown();
}

void PortWindow::setStatus(const QString &text)
{
    m_port.updateView([&text](ComPort::View &v) { v.status = text; });
}

}  // namespace comlink
