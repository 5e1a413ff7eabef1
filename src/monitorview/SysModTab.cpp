#include "SysModTab.h"

#include "core/LanguageTexts.h"
#include "core/Reports.h"
#include "monitor/ControllerFunctions.h"
#include "monitor/LinkState.h"
#include "monitor/MonitorHold.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitorview {

namespace {

constexpr int GaugeMax = 1024;

}  // namespace

SysModTab::SysModTab(sysmod::ParameterSet &sysMod, sysmod::ParameterSetTransfer &transfer, const SysModTabPartners &partners,
                     QWidget *parent)
    : QWidget(parent), m_sysMod(sysMod), m_transfer(transfer), m_partners(partners)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_group = new QGroupBox(sysMod.baseName());
    auto *inner = new QVBoxLayout(m_group);
    m_gauge = new QProgressBar;
    m_gauge->setRange(0, GaugeMax);
    m_gauge->setValue(0);
    m_message = new QLineEdit;
    m_message->setReadOnly(true);
    m_name = new QLabel(QFileInfo(sysMod.fileName()).fileName());
    inner->addWidget(m_gauge);
    inner->addWidget(m_message);
    inner->addWidget(m_name);
    auto *buttons = new QGridLayout;
    m_read = new QPushButton(QStringLiteral("Daten holen"));
    m_send = new QPushButton(QStringLiteral("Daten senden"));
    m_open = new QPushButton(QString::fromUtf8("Öffnen"));
    m_save = new QPushButton(QStringLiteral("Daten speichern"));
    m_break = new QPushButton(QStringLiteral("abbrechen"));
    buttons->addWidget(m_read, 0, 0);
    buttons->addWidget(m_send, 0, 1);
    buttons->addWidget(m_open, 1, 0);
    buttons->addWidget(m_save, 1, 1);
    buttons->addWidget(m_break, 2, 0, 1, 2);
    inner->addLayout(buttons);
    layout->addWidget(m_group);
    layout->addStretch(1);
    connect(m_read, &QPushButton::clicked, this, [this] { readClick(); });
    connect(m_send, &QPushButton::clicked, this, [this] { sendClick(); });
    connect(m_open, &QPushButton::clicked, this, [this] { openClick(); });
    connect(m_save, &QPushButton::clicked, this, [this] { saveClick(); });
    connect(m_break, &QPushButton::clicked, this, [this] { breakClick(); });

    confirmConnect = [this](const QString &question) {
        return QMessageBox::question(this, QStringLiteral("Haltron"), question) == QMessageBox::Yes;
    };
    confirmSend = [this](const QString &question) {
        return QMessageBox::warning(this, QStringLiteral("SENDEN"), question, QMessageBox::Ok | QMessageBox::Cancel)
               == QMessageBox::Ok;
    };
    chooseOpenFile = [this](const QString &directory) {
        QFileDialog dialog(this, QString(), directory, fileFilter());
        dialog.setDefaultSuffix(QStringLiteral("smb"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    chooseSaveFile = [this](const QString &title, const QString &proposed) {
        return shell::saveFileDialog(this, title, filesDirectory ? filesDirectory() : QString(), fileFilter(), QStringLiteral("smb"),
                              proposed);
    };
    askOverwrite = [this](const QString &question) { return shell::askOverwriteQuestion(this, QStringLiteral("Haltron"), question); };
    setSendAllowed(false);
    m_break->setEnabled(false);
}

QString SysModTab::fileFilter() const { return QStringLiteral("Qip-Dateien (*.smb)"); }

QString SysModTab::text(const QString &section, int number) const
{
    const QString found = m_partners.texts.text(section, number);
    return found.isEmpty() ? QString::number(number) : found;
}

void SysModTab::setSendAllowed(bool allowed)
{
    m_sendAllowed = allowed;
    m_send->setEnabled(allowed && !m_busy);
}

void SysModTab::setBusy(bool busy)
{
    m_busy = busy;
    for (QPushButton *button : {m_read, m_open, m_save}) button->setEnabled(!busy);
    m_send->setEnabled(m_sendAllowed && !busy);
    m_break->setEnabled(busy);
}

void SysModTab::tabSelected() { m_group->setTitle(m_transfer.t(55)); }

bool SysModTab::prepare(const QString &t)
{
    if (!m_partners.link.isLinked()) return false;
    m_partners.monitor.holdMonitor();
    m_gauge->setRange(0, GaugeMax);
    m_gauge->setValue(0);
    m_shownName = m_name->text();
    m_message->setText(t);
    m_name->setText(t);
    return true;
}

void SysModTab::startTransfer(bool write)
{
    setBusy(true);
    const sysmod::TextCallback onSuccess = [this](const QString &message) {
        m_message->setText(m_transfer.text(message));
        m_name->setText(QStringLiteral("O.K."));
        transferEnded();
    };
    const sysmod::TextCallback onFailure = [this](const QString &) {
        m_message->setText(QLatin1Char(' ') + m_transfer.t(53));
        m_name->setText(m_shownName);  // the image held is still the one named before
        transferEnded();
    };
    const sysmod::TextCallback onStatus = [this](const QString &status) { m_message->setText(QLatin1Char(' ') + status); };
    const sysmod::ProgressCallback onProgress = [this](int count) { m_gauge->setValue(qBound(0, count, GaugeMax)); };
    if (write) m_sysMod.saveToQRx(onSuccess, onFailure, onStatus, onProgress);
    else m_sysMod.loadFromQRx(onSuccess, onFailure, onStatus, onProgress);
}

void SysModTab::transferEnded()
{
    setBusy(false);
    m_partners.monitor.releaseMonitor();
}

void SysModTab::readClick()
{
    if (m_busy) return;
    if (prepare(m_transfer.t(51))) {
        startTransfer(false);
        return;
    }
    if (!m_partners.monitor.hasLinkMode() && confirmConnect && confirmConnect(text(QStringLiteral("main"), 14)))
        emit linkRequested();
}

void SysModTab::sendClick()
{
    if (m_busy || !m_sendAllowed) return;
    const QString fileName = m_sysMod.fileName();
    if (!prepare(fileName)) return;
    const QString member = monitor::memberCaption(m_transfer.member());
    const QString question = member.isEmpty() ? fileName : fileName + QStringLiteral("\n\nAufzug ") + member;
    if (!confirmSend || !confirmSend(question)) {
        // Nothing goes out, so nothing holds the monitor.
        m_name->setText(m_shownName);
        m_message->clear();
        m_partners.monitor.releaseMonitor();
        return;
    }
    m_group->setTitle(QStringLiteral("SENDEN"));
    startTransfer(true);
}

void SysModTab::breakClick() { m_transfer.abort(); }

void SysModTab::openClick()
{
    if (m_busy) return;
    const QString path = chooseOpenFile ? chooseOpenFile(filesDirectory ? filesDirectory() : QString()) : QString();
    m_message->clear();
    if (!path.isEmpty()) {
        if (m_sysMod.loadFromFile(path)) {
            m_name->setText(QFileInfo(path).fileName());
            m_message->setText(QStringLiteral("file geladen"));
        } else {
            m_message->setText(QStringLiteral(" FEHLER, file nicht geladen"));
        }
    }
    m_group->setTitle(QStringLiteral("OPEN"));
}

void SysModTab::saveClick()
{
    if (m_busy || !chooseSaveFile) return;
    const QString title =
        QLatin1Char('"') + m_sysMod.baseName() + QStringLiteral("\" ") + text(QStringLiteral("main"), 13) + QLatin1Char(' ');
    const QString path = shell::chooseFileToSave(
        [this, &title](const QString &proposed) { return chooseSaveFile(title, proposed); },
        [this](const QString &name) {
            return askOverwrite ? askOverwrite(name + QLatin1Char(' ') + text(QStringLiteral("unit43"), 29)) : shell::Overwrite::Cancel;
        },
        m_sysMod.fileName());
    if (path.isEmpty()) return;
    m_partners.reports.writeIf(core::ReportMonitor, QStringLiteral("SpeichernUnter(") + path + QLatin1Char(')'));
    if (m_sysMod.saveToFile(path))
        m_message->setText(QStringLiteral(" File (") + path + QStringLiteral(") gesichert"));
    else
        m_message->setText(QStringLiteral(" FEHLER, File (") + path + QStringLiteral(") nicht gesichert: ")
                           + core::WriteFaultTexts::fromLanguage(
                               [this](const QString &section, int number) { return m_partners.texts.text(section, number); }).reason(m_sysMod.lastWrite()));
}

}  // namespace monitorview
