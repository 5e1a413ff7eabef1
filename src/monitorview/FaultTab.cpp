#include "FaultTab.h"

#include "monitor/FaultLog.h"
#include "monitor/MonitorControl.h"
#include "shell/Configuration.h"
#include "shell/WriteFaultTexts.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitorview {

namespace {
// Texts of section "unit43".
constexpr int DeleteCaption = 24, DeletePrompt = 25, SaveTitle = 27, SaveFilter = 28, OverwriteQuestion = 29;
constexpr int SaveFailed = 55, Saved = 56;
}  // namespace

FaultTab::FaultTab(const shell::Configuration &config, monitor::FaultLog &log, monitor::MonitorControl &control, QWidget *parent)
    : QWidget(parent), m_config(config), m_log(log), m_control(control)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);  // the page has its own
    auto *buttons = new QHBoxLayout;
    m_fetchButton = new QPushButton(QStringLiteral("Fehler Holen"));
    m_stopButton = new QPushButton(QStringLiteral("StopHolen"));
    m_saveButton = new QPushButton(QStringLiteral("sichern"));
    m_deleteButton = new QPushButton(QString::fromUtf8("Löschen"));
    for (QPushButton *b : {m_fetchButton, m_stopButton, m_saveButton}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_deleteButton);
    layout->addLayout(buttons);
    m_progress = new QProgressBar;
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_list = new QPlainTextEdit;
    m_list->setReadOnly(true);
    m_list->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_list, 1);
    m_status = new QLabel;
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    connect(m_fetchButton, &QPushButton::clicked, this, [this] { fetch(); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { stop(); });
    connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { deleteLog(); });

    connect(&m_log, &monitor::FaultLog::lineAdded, this, [this](const QString &line) { appendLine(line); });
    connect(&m_log, &monitor::FaultLog::progressed, this, [this](int position, int maximum) {
        m_progress->setMaximum(qMax(1, maximum));
        m_progress->setValue(qBound(0, position, qMax(1, maximum)));
    });

    chooseSaveFile = [this](const QString &dir) {
        return shell::saveFileDialog(this, text(SaveTitle), dir, text(SaveFilter) + QStringLiteral(" (*.txt)"), QStringLiteral("txt"));
    };
    askOverwrite = [this](const QString &fileName) {
        return shell::askOverwriteQuestion(this, text(SaveTitle), fileName + QLatin1Char(' ') + text(OverwriteQuestion));
    };
    confirmDelete = [this] {
        return QMessageBox::warning(this, text(DeleteCaption), text(DeletePrompt), QMessageBox::Yes | QMessageBox::Cancel,
                                    QMessageBox::Cancel) == QMessageBox::Yes;
    };
}

// The log outlives the window; its signals go with the window.
FaultTab::~FaultTab() = default;

QString FaultTab::text(int number) const { return m_config.languageText(QStringLiteral("unit43"), number); }

QStringList FaultTab::lines() const
{
    const QString all = m_list->toPlainText();
    return all.isEmpty() ? QStringList() : all.split(QLatin1Char('\n'));
}

void FaultTab::setLines(const QStringList &lines) { m_list->setPlainText(lines.join(QLatin1Char('\n'))); }

void FaultTab::appendLine(const QString &line) { m_list->appendPlainText(line); }

void FaultTab::fetch()
{
    m_control.holdMonitor();
    m_progress->setValue(0);
    QPointer<FaultTab> self = this;
    m_log.fetchFaultLog([self](const QString &) {
        if (self) self->m_control.releaseMonitor();
    });
}

void FaultTab::stop() { m_log.stopFetching(); }

void FaultTab::save()
{
    const QString fileName = shell::chooseFileToSave(
        [this](const QString &) { return chooseSaveFile ? chooseSaveFile(m_config.getDataDir()) : QString(); }, askOverwrite);
    if (fileName.isEmpty()) return;
    const core::WriteOutcome outcome = monitor::saveFaultList(lines(), fileName);
    if (outcome.ok()) m_status->setText(text(Saved) + QLatin1Char(' ') + fileName);
    else m_status->setText(text(SaveFailed) + QLatin1Char(' ') + fileName + QStringLiteral(": ") + shell::writeFaultText(m_config, outcome));
}

// Only an explicit Yes deletes; the fresh list follows.
void FaultTab::deleteLog()
{
    if (!confirmDelete || !confirmDelete()) return;
    m_list->clear();
    m_log.clearLines();
    m_log.deleteFaultLog();
}

}  // namespace monitorview
