#include "QueueWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace protocol {

namespace {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox *upDown(const char *name, int low, int high, int step, int value)
{
    auto *box = named(new QSpinBox, name);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setValue(value);
    box->setSuffix(QStringLiteral(" ms"));
    return box;
}

}  // namespace

QueueWindow::QueueWindow(TransferQueue &queue, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      m_queue(queue),
      m_fill(named(new QProgressBar, "Gauge")),
      m_status(named(new QLabel, "Status")),
      m_mode(named(new QLabel, "ModeLabel")),
      m_countdown(named(new QLabel, "Zbl_Timeout")),
      m_waitRestarts(named(new QLabel, "WaitTimerLabel")),
      m_delta(named(new QLabel, "DeltaLabel")),
      // The wait control starts on its own position, not on the queue's value.
      m_waitUpDown(upDown("WaitUpDown", 200, 10000, 100, 8000)),
      m_delayUpDown(upDown("DelayUpDown", 10, 3000, 10, queue.delayMs())),
      m_soTimeOut(named(new QCheckBox(QStringLiteral("SOTimeOut")), "SOTimeOut")),
      m_logPart(named(new QWidget, "LogPart")),
      m_queueLog(named(new QPlainTextEdit, "Memo")),
      m_out(named(new QLineEdit, "OUT")),
      m_in(named(new QLineEdit, "IN"))
{
    setWindowTitle(QStringLiteral("TransferListe"));
    m_fill->setRange(0, TransferQueue::MaxEntries);
    m_fill->setTextVisible(false);
    m_queueLog->setReadOnly(true);
    m_out->setReadOnly(true);
    m_in->setReadOnly(true);

    auto *fillButton = named(new QPushButton(QStringLiteral("Fill")), "Fill");
    auto *flushButton = named(new QPushButton(QStringLiteral("Leeren")), "Leeren");
    auto *clearButton = named(new QPushButton(QStringLiteral("Clear")), "Clear");
    auto *stayOnTop = named(new QCheckBox(QStringLiteral("StayOnTop")), "StayOnTop");
    auto *reportLocal = named(new QCheckBox(QStringLiteral("report lokal")), "ReportLokal");
    stayOnTop->setChecked(true);

    auto *grid = new QGridLayout;
    grid->addWidget(m_fill, 0, 0, 1, 4);
    grid->addWidget(m_status, 1, 0);
    grid->addWidget(m_mode, 1, 1);
    grid->addWidget(m_countdown, 1, 2);
    grid->addWidget(m_waitRestarts, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("wait")), 2, 0);
    grid->addWidget(m_waitUpDown, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("delay")), 2, 2);
    grid->addWidget(m_delayUpDown, 2, 3);
    grid->addWidget(fillButton, 3, 0);
    grid->addWidget(flushButton, 3, 1);
    grid->addWidget(stayOnTop, 3, 2);
    grid->addWidget(m_soTimeOut, 3, 3);
    grid->addWidget(reportLocal, 4, 0);

    auto *logLayout = new QGridLayout(m_logPart);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->addWidget(new QLabel(QStringLiteral("OUT")), 0, 0);
    logLayout->addWidget(m_out, 0, 1, 1, 3);
    logLayout->addWidget(new QLabel(QStringLiteral("IN")), 1, 0);
    logLayout->addWidget(m_in, 1, 1, 1, 3);
    logLayout->addWidget(new QLabel(QStringLiteral("Delta mSEC")), 2, 0);
    logLayout->addWidget(m_delta, 2, 1);
    logLayout->addWidget(clearButton, 2, 3);
    logLayout->addWidget(m_queueLog, 3, 0, 1, 4);
    m_logPart->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_logPart, 1);

    connect(fillButton, &QPushButton::clicked, this, [this] { fillButtonClick(); });
    connect(flushButton, &QPushButton::clicked, this, [this] { flushButtonClick(); });
    connect(clearButton, &QPushButton::clicked, this, [this] { clearButtonClick(); });
    connect(stayOnTop, &QCheckBox::toggled, this, [this](bool on) { stayOnTopClick(on); });
    connect(reportLocal, &QCheckBox::toggled, this, [this](bool on) { reportLocalClick(on); });
    connect(m_soTimeOut, &QCheckBox::toggled, this, [this](bool on) { m_queue.setSendOnTimeout(on); });
    connect(m_waitUpDown, &QSpinBox::valueChanged, this, [this](int ms) { m_queue.setWaitMs(ms); });
    connect(m_delayUpDown, &QSpinBox::valueChanged, this, [this](int ms) { m_queue.setDelayMs(ms); });

    m_queue.onDisplay = [this] { showState(); };
    m_queue.onLogLine = [this](const QString &line, bool outgoing) { addLogLine(line, outgoing); };
    resize(360, ShortHeight);
    placeTopRight();
    showState();
}

QueueWindow::~QueueWindow()
{
    m_queue.onDisplay = nullptr;
    m_queue.onLogLine = nullptr;
}

void QueueWindow::placeTopRight()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - 10, area.top() + 10);
}

void QueueWindow::fillButtonClick() { m_queue.transferPut(1, {}, QByteArray("\xF3\x01\x02\x03", 4)); }

void QueueWindow::flushButtonClick() { m_queue.transferFlush(); }

void QueueWindow::clearButtonClick() { m_queueLog->clear(); }

void QueueWindow::reportLocalClick(bool on)
{
    m_queue.setReportLocal(on);
    m_logPart->setVisible(on);
    resize(width(), on ? LogHeight : ShortHeight);
}

void QueueWindow::stayOnTopClick(bool on)
{
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible) show();  // changing the flags hides the window
}

void QueueWindow::showState()
{
    m_fill->setValue(qMin(m_queue.count(), TransferQueue::MaxEntries));
    m_status->setText(m_queue.statusText());
    m_mode->setText(QStringLiteral("mode %1").arg(m_queue.mode()));
    m_countdown->setText(QStringLiteral("%1 ms").arg(m_queue.countdown()));
    m_waitRestarts->setText(QStringLiteral("wait.timer %1").arg(m_queue.waitRestarts()));
    m_delta->setText(QString::number(m_queue.lastDeltaMs()));
    if (m_delayUpDown->value() != m_queue.delayMs()) m_delayUpDown->setValue(m_queue.delayMs());
    if (m_soTimeOut->isChecked() != m_queue.sendOnTimeout()) m_soTimeOut->setChecked(m_queue.sendOnTimeout());
}

void QueueWindow::addLogLine(const QString &line, bool outgoing)
{
    m_queueLog->appendPlainText(line);
    (outgoing ? m_out : m_in)->setText(line);
}

void QueueWindow::closeEvent(QCloseEvent *event)
{
    // Until the queue is halted a close only hides the window.
    if (m_queue.closeAllowed()) {
        event->accept();
        return;
    }
    event->ignore();
    hide();
}

}  // namespace protocol
