// The "SysMod" tab offscreen with its dialogs answered by the test: the file
// steps, the overwrite question, the send switch and what happens without a link.

#include "FakeChannel.h"
#include "MonitorFakes.h"
#include "SysModFakes.h"
#include "TestApp.h"

#include "core/Timer.h"
#include "monitorview/SysModTab.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"
#include "sysmod/ParameterSetWiring.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct SysModTabTest : ::testing::Test {
    QTemporaryDir dir;
    core::VirtualTime time;
    sysmod::ParameterSet image;
    FakeChannel queue;  // takes every request and answers none
    FakeTransferLine line;
    PatternTexts transferTexts{QStringLiteral("T%2"), QStringLiteral("zbl-rw-sysmod")};
    sysmod::ParameterSetTransfer transfer{image, queue, time, line, transferTexts};
    std::unique_ptr<monitorview::SysModTab> tab;
    FakeLinkState link;
    FakeMonitorHold monitor;
    PatternTexts texts;  // "section.number"
    core::ReportSink reports;
    int linkClicks = 0;
    QStringList questions;

    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        sysmod::wireParameterSetTransfer(image, transfer);
        link.linked = false;
        tab = std::make_unique<monitorview::SysModTab>(image, transfer,
                                                       monitorview::SysModTabPartners{link, monitor, texts, reports});
        QObject::connect(tab.get(), &monitorview::SysModTab::linkRequested, [this] { ++linkClicks; });
        tab->confirmConnect = [this](const QString &q) { questions << q; return true; };
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QByteArray contents(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(SysModTabTest, OpenCancelledOrFailedKeepsTheImage)
{
    image.setByte(3, 0x33);
    const QByteArray before = image.imageData();
    tab->messageField()->setText(QStringLiteral("alt"));
    tab->chooseOpenFile = [](const QString &) { return QString(); };
    tab->openClick();
    EXPECT_EQ(tab->group()->title(), QStringLiteral("OPEN"));
    EXPECT_TRUE(tab->messageField()->text().isEmpty());

    QFile broken(path("kurz.smb"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(100, 'x'));
    broken.close();
    tab->chooseOpenFile = [this](const QString &) { return path("kurz.smb"); };
    tab->openClick();
    EXPECT_EQ(tab->messageField()->text(), QStringLiteral(" FEHLER, file nicht geladen"));
    EXPECT_EQ(image.imageData(), before);
    EXPECT_NE(tab->nameLabel()->text(), QStringLiteral("kurz.smb"));
}

TEST_F(SysModTabTest, SaveAsksBeforeOverwritingYesNoCancel)
{
    QString title;
    QStringList offered;
    QList<shell::Overwrite> answers;
    QStringList asked;
    tab->chooseSaveFile = [&](const QString &t, const QString &proposed) {
        title = t;
        offered << proposed;
        return offered.size() == 2 ? path("zwei.smb") : path("eins.smb");
    };
    tab->askOverwrite = [&](const QString &question) {
        asked << question;
        return answers.takeFirst();
    };
    // A new file: no question.
    const QString baseName = image.baseName();
    tab->saveClick();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(title, QStringLiteral("\"%1\" main.13 ").arg(baseName));
    EXPECT_EQ(tab->messageField()->text(), QStringLiteral(" File (%1) gesichert").arg(path("eins.smb")));
    EXPECT_EQ(contents(path("eins.smb")).size(), 1032);

    // Cancel: nothing written.
    image.setByte(5, 0x55);
    answers = {shell::Overwrite::Cancel};
    offered.clear();
    tab->messageField()->clear();
    tab->saveClick();
    EXPECT_EQ(asked.last(), path("eins.smb") + QStringLiteral(" unit43.29"));
    EXPECT_EQ(quint8(contents(path("eins.smb"))[5]), 0);
    EXPECT_TRUE(tab->messageField()->text().isEmpty());

    // No: the dialog comes again; the second name is new and saved.
    answers = {shell::Overwrite::No};
    offered.clear();
    tab->saveClick();
    EXPECT_EQ(offered.size(), 2);
    EXPECT_EQ(offered[1], path("eins.smb"));  // the name refused is offered again
    EXPECT_EQ(quint8(contents(path("zwei.smb"))[5]), 0x55);
    EXPECT_EQ(quint8(contents(path("eins.smb"))[5]), 0);

    // Yes: overwritten.
    answers = {shell::Overwrite::Yes};
    offered.clear();
    tab->saveClick();
    EXPECT_EQ(quint8(contents(path("eins.smb"))[5]), 0x55);
}

TEST_F(SysModTabTest, SaveThatFailsSaysSo)
{
    tab->chooseSaveFile = [this](const QString &, const QString &) { return path("fehlt/nicht.smb"); };
    tab->saveClick();
    EXPECT_TRUE(tab->messageField()->text().startsWith(QStringLiteral(" FEHLER"))) << tab->messageField()->text().toStdString();
}

TEST_F(SysModTabTest, WithoutLinkReadOffersToConnectAndSendDoesNothing)
{
    monitor.linkMode = false;
    tab->readClick();
    EXPECT_EQ(questions, QStringList{QStringLiteral("main.14")});
    EXPECT_EQ(linkClicks, 1);
    EXPECT_EQ(monitor.holds, 0);

    monitor.linkMode = true;  // on a modem route nothing is offered
    tab->readClick();
    EXPECT_EQ(questions.size(), 1);

    bool asked = false;
    tab->confirmSend = [&](const QString &) { return asked = true; };
    tab->setSendAllowed(true);
    tab->sendClick();
    EXPECT_FALSE(asked);
    EXPECT_EQ(monitor.holds, 0);
}

TEST_F(SysModTabTest, SendFollowsTheSwitchAndACancelledSendReleasesTheHold)
{
    link.linked = true;
    EXPECT_FALSE(tab->sendButton()->isEnabled());  // "senden" off
    tab->setSendAllowed(true);
    EXPECT_TRUE(tab->sendButton()->isEnabled());

    QString shown;
    tab->confirmSend = [&](const QString &fileName) {
        shown = fileName;
        return false;
    };
    const QString name = tab->nameLabel()->text();
    tab->sendClick();
    EXPECT_EQ(shown, image.fileName());
    EXPECT_EQ(monitor.holds, 0);
    EXPECT_EQ(tab->nameLabel()->text(), name);
    // In a group the question names the lift the set would go to.
    queue.chosenMember = 2;
    tab->sendClick();
    EXPECT_EQ(shown, image.fileName() + QStringLiteral("\n\nAufzug QRx-2"));
    EXPECT_EQ(monitor.holds, 0);
    queue.chosenMember = core::Channel::Unrouted;

    // Confirmed: the monitor is held, the group says so, the gauge starts at 0 of 1024.
    tab->gauge()->setValue(500);
    tab->confirmSend = [](const QString &) { return true; };
    tab->sendClick();
    EXPECT_EQ(monitor.holds, 1);
    EXPECT_EQ(tab->group()->title(), QStringLiteral("SENDEN"));
    EXPECT_EQ(tab->gauge()->maximum(), 1024);
    EXPECT_EQ(tab->gauge()->value(), 0);
    EXPECT_FALSE(tab->readButton()->isEnabled());  // one transfer at a time
    EXPECT_TRUE(tab->breakButton()->isEnabled());
    // No answer comes: the transfer fails and the hold goes with it.
    time.advance(sysmod::ParameterSetTransfer::AnswerTimeoutMs);
    EXPECT_EQ(monitor.holds, 0);
    EXPECT_EQ(tab->messageField()->text(), QStringLiteral(" T53"));
    EXPECT_TRUE(tab->readButton()->isEnabled());

    tab->tabSelected();
    EXPECT_EQ(tab->group()->title(), QStringLiteral("T55"));
}

}  // namespace
