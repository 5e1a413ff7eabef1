#pragma once

// Every part of the program that asks the controller, each over the one
// channel of the local link stack, against the in-process stand-in with four
// lifts on virtual time.

#include "LocalLinkFixture.h"
#include "MonitorFakes.h"
#include "MonitorOnLink.h"
#include "SysModFakes.h"

#include "core/IniFile.h"
#include "monitor/EepromDump.h"
#include "monitor/LibraryMemory.h"
#include "monitor/FaultLog.h"
#include "monitor/MonitorControl.h"
#include "monitor/PortReader.h"
#include "monitor/SingleCommands.h"
#include "monitor/StatisticsReader.h"
#include "panels/DisplayMirror.h"
#include "protocol/CommandLibrary.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <QObject>
#include <QStringList>

#include <array>

struct ProgramParts {
    static constexpr int Lifts = 4;

    ProgramParts() : link(sim::InstallationSetup{.lifts = Lifts})
    {
        QObject::connect(&link.channel, &protocol::ControllerChannel::queued, [this](const QByteArray &t) { queued << t; });
        monitor.setShaftView(&shaft);
        // The monitor follows the link as the program wires it: a lost link holds it,
        // a link back greets the controller (and, with autorun, starts it again).
        monitor.linkToZbl(monitor::MonitorControl::LocalLink);
        QObject::connect(&link.port, &comlink::ComPort::linkChanged, [this](bool up) {
            if (up) monitor.linkChanged(true);
            else monitor.linkLostReset();
        });
        partners.faults.count = [this](monitor::TextProc onText, core::DropProc onDropped) {
            return faultLog.requestErrorCount(std::move(onText), std::move(onDropped));
        };
        partners.faults.newest = [this](monitor::TextProc onText, core::DropProc onDropped) {
            return faultLog.requestErrorEntry(std::move(onText), 0, std::move(onDropped));
        };
        using monitor::MonitorControl;
        QObject::connect(&monitor, &MonitorControl::liftStateDecoded, [this] { ++slotAnswers[0]; });
        QObject::connect(&monitor, &MonitorControl::slotChanged, [this](int slot) {
            // The acknowledge lamps' slot has no value of its own: its lamps say it was answered.
            if (slot == 1 && !shaft.callLamps.isEmpty()) ++slotAnswers[1];
            shaft.callLamps.clear();
        });
        QObject::connect(&monitor, &MonitorControl::valueShown, [this](int slot) { ++slotAnswers[size_t(slot)]; });
        QObject::connect(&monitor, &MonitorControl::shaftBuilt, [this] { shaftBuilt = true; });

        mirror.afterAnswer = [this] {
            ++mirrorAnswers;
            if (mirrorPolling) mirror.pollStep();
        };
        QObject::connect(&eeprom, &monitor::EepromDump::stepped, [this](const QString &text) { eepromStep = text; });
        QObject::connect(&eeprom, &monitor::EepromDump::dumped, [this](const QStringList &lines) { eepromLines = lines; });
        QObject::connect(&ports, &monitor::PortReader::valuesRead, [this] { ++portReadings; });
        QObject::connect(&statistics, &monitor::StatisticsReader::finished, [this](bool ok) { statisticsEnd = ok ? 1 : 0; });
        transferLine.flush = [this] { link.queue.transferFlush(); };
        transferLine.swap = [this](int ms) { return link.line.swapLineTimeout(ms); };
    }

    bool start() { return link.start(); }
    bool runUntil(const std::function<bool()> &done, int limitMs = 60000) { return link.runUntil(done, limitMs); }
    sim::Lift &lift(int index) { return *link.installation.lift(index); }
    // The stand-in's own text fields come padded.
    static QString text(const QByteArray &raw) { return QString::fromLatin1(raw).remove(QChar(0)).trimmed(); }

    // The parameter set written or read: its outcome's text once it ended.
    void startTransfer(bool write)
    {
        transferEnd.clear();
        const auto end = [this](const QString &text) { transferEnd = text.isEmpty() ? QStringLiteral("?") : text; };
        const auto failed = [this](const QString &code) { transferEnd = QStringLiteral("failed ") + code; };
        if (write) transfer.saveToQRx(end, failed, nullptr, nullptr);
        else transfer.loadFromQRx(end, failed, nullptr, nullptr);
    }
    // Starts polling every slot on every visit, after the shaft was read.
    void startMonitor()
    {
        monitor.loadTask(1 | 2 | 4 | 8 | 16 | 32);
        monitor.setReloads({0, 0, 0, 0, 0, 0});
        monitor.monitorStart();
    }
    bool everySlotAnswered() const
    {
        return std::all_of(slotAnswers.begin(), slotAnswers.end(), [](int n) { return n > 0; });
    }

    LocalLinkFixture link;
    QList<QByteArray> queued;
    protocol::CommandLibrary library{link.channel, link.time};
    monitor::FaultLog faultLog{link.channel, link.time, QString(), monitor::FaultListTexts{"gelesen am", "gespeichert", "leer"}};
    QueueTransferControl queueControl{link.queue};
    PortLinkState linkState{link.port};
    FakeMonitorPartners partners;
    FakeShaftView shaft;
    monitor::MonitorControl monitor{link.time, {{"normal", "s1", "s2", "s3"}, {"zu", "offen"}, {"ok"}},
                                    {link.channel, queueControl, linkState, partners.session, partners.faults,
                                     partners.host, partners.texts, partners.reports}};
    monitor::SingleCommands commands{link.channel};
    panels::DisplayMirror mirror{link.time, link.channel, false};
    monitor::PortReader ports{link.channel, link.time};
    monitor::StatisticsReader statistics{library};
    monitor::LibraryMemory memory{library};
    monitor::EepromDump eeprom{memory};
    sysmod::ParameterSet image;
    FakeTransferLine transferLine;
    NumberTexts transferTexts;
    sysmod::ParameterSetTransfer transfer{image, link.channel, link.time, transferLine, transferTexts};

    std::array<int, monitor::PollCycle::SlotCount> slotAnswers{};
    bool shaftBuilt = false;
    bool mirrorPolling = false;
    int mirrorAnswers = 0;
    int portReadings = 0;
    int statisticsEnd = -1;  // -1 running or not started, 0 failed, 1 done
    QString eepromStep;
    QStringList eepromLines;
    QString transferEnd;
};
