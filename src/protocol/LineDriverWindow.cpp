#include "LineDriverWindow.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace protocol {

namespace {
constexpr int RefreshMs = 100;  // counters change at every line byte

unsigned lineColour(Line401::LineState state)
{
    switch (state) {
    case Line401::LineState::Replying: return core::colour::Green;
    case Line401::LineState::TimedOut: return core::colour::Yellow;
    case Line401::LineState::Silent: break;
    }
    return core::colour::Red;
}

QLineEdit *field(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    return edit;
}
}  // namespace

LineDriverWindow::LineDriverWindow(Line401 &line, core::TimerFactory &timers, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_line(line), m_refresh(*this, timers, [this] { refresh(); }, RefreshMs)
{
    setWindowTitle(QStringLiteral("zbl_port"));
    auto *root = new QVBoxLayout(this);

    auto *lamps = new QHBoxLayout;
    m_linkLed = new widgets::Lamp(this);
    m_lineLed = new widgets::Lamp(this);
    m_syncLed = new widgets::Lamp(this);
    for (auto [lamp, caption] : {std::pair{m_linkLed, "Link"}, std::pair{m_lineLed, "Line"}, std::pair{m_syncLed, "Sync"}}) {
        lamps->addWidget(lamp);
        lamps->addWidget(new QLabel(QString::fromLatin1(caption), this));
    }
    lamps->addStretch(1);
    root->addLayout(lamps);

    auto *fields = new QFormLayout;
    m_portField = field(this);
    m_portField->setObjectName(QStringLiteral("PortField"));
    m_qrxReturn = field(this);
    m_message = field(this);
    m_testField = field(this);
    m_txCount = new QLabel(this);
    m_rxCount = new QLabel(this);
    m_timeouts = new QLabel(this);
    m_timeout = new QSpinBox(this);
    m_timeout->setRange(200, 10000);
    m_timeout->setSingleStep(100);
    m_timeout->setValue(m_line.lineTimeout());
    connect(m_timeout, &QSpinBox::valueChanged, this, [this](int ms) { m_line.swapLineTimeout(ms); });
    fields->addRow(QStringLiteral("Port"), m_portField);
    fields->addRow(QStringLiteral("Qrx/Return"), m_qrxReturn);
    fields->addRow(QString(), m_message);
    fields->addRow(QStringLiteral("Test"), m_testField);
    fields->addRow(QStringLiteral("TxD"), m_txCount);
    fields->addRow(QStringLiteral("RxD"), m_rxCount);
    fields->addRow(QStringLiteral("N"), m_timeouts);
    fields->addRow(QStringLiteral("-Timeout(N,TIMER msec)"), m_timeout);
    root->addLayout(fields);

    auto *qrx = new QGroupBox(QStringLiteral("QRx"), this);
    auto *qrxRow = new QHBoxLayout(qrx);
    m_controllerButtons << addButton(qrxRow, QStringLiteral("QrxReset"), [this] { m_line.qrxReset(); });
    m_controllerButtons << addButton(qrxRow, QStringLiteral("F1 00"), [this] { m_line.askF100(); });
    m_controllerButtons << addButton(qrxRow, QStringLiteral("Gruppe"), [this] { m_line.askGroup(); });
    m_controllerButtons << addButton(qrxRow, QStringLiteral("F101"), [this] { m_line.askVersionText(); });
    for (QPushButton *b : m_controllerButtons) b->setEnabled(false);
    root->addWidget(qrx);

    auto *bottom = new QHBoxLayout;
    addButton(bottom, QStringLiteral("Restart"), [this] { m_line.restart(); });
    addButton(bottom, QStringLiteral(" enable"), [this] {
        for (QPushButton *b : m_controllerButtons) b->setEnabled(true);
    });
    addButton(bottom, QStringLiteral("always on top"), [this] {
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, !(windowFlags() & Qt::WindowStaysOnTopHint));
        if (visible) show();  // changing the flags hides the window
    });
    addButton(bottom, QStringLiteral("S&chließen"), [this] { hide(); });
    root->addLayout(bottom);

    // The link lamp shows the port's link once the line owns the port, and its click starts or stops the line.
    connect(&m_line.port(), &comlink::ComPort::linkChanged, this, [this] { showLink(); });
    connect(m_linkLed, &widgets::Lamp::clicked, this, [this] {
        if (m_line.lineOpened()) m_line.port().linkAction();
    });
    m_line.onViewChanged = [this] { m_refresh.schedule(); };
    refresh();
}

LineDriverWindow::~LineDriverWindow()
{
    m_line.onViewChanged = nullptr;
}

void LineDriverWindow::refresh()
{
    const Line401::View &v = m_line.view();
    m_portField->setText(v.portFailed ? QStringLiteral("ERROR") : v.portText);
    m_qrxReturn->setText(v.qrxWaiting ? QStringLiteral("wait..") : v.qrxReturn);
    m_message->setText(v.message);
    m_testField->setText(v.blockRemaining);
    m_txCount->setText(QString::number(v.txCount));
    m_rxCount->setText(QString::number(v.rxCount));
    m_timeouts->setText(QString::number(v.timeoutCount));
    m_lineLed->setLampColour(lineColour(v.line));
    m_syncLed->setLit(v.synced);
    showLink();
    if (m_timeout->value() != m_line.lineTimeout()) {
        const QSignalBlocker quiet(m_timeout);
        m_timeout->setValue(m_line.lineTimeout());
    }
}

void LineDriverWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void LineDriverWindow::closeEvent(QCloseEvent *event)
{
    hide();  // the line keeps running; the window only hides
    event->ignore();
}

}  // namespace protocol
