#include "FakeChannel.h"
#include "MonitorFakes.h"
#include "HealthyLift.h"
#include "DeliveredTexts.h"
#include "TestApp.h"

#include "core/Bytes.h"
#include "core/Colours.h"
#include "core/Reports.h"
#include "shell/Configuration.h"
#include "widgets/Lamp.h"
#include "protocol/TransferQueue.h"
#include "monitorview/FunctionBox.h"
#include "monitorview/IdentityBox.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/QueueGauges.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using monitor::PollCycle;

// The monitor window over its logic, with the delivered German texts and a fake queue.
struct MonitorWindowTest : ::testing::Test {
    QTemporaryDir tmp;
    core::VirtualTime time;
    std::unique_ptr<shell::Configuration> config;
    FakeMonitorPartners partners;
    std::unique_ptr<monitor::MonitorControl> control;
    std::unique_ptr<QWidget> host;
    monitorview::MonitorWindow *window = nullptr;
    FakeChannel queue;
    QByteArray stateAnswer = core::bytes({0xF6, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x00});

    void SetUp() override
    {
        testsupport::testApp<QApplication>();  // before any widget
        core::reports().reset();
        config = deliveredTextsConfiguration(time, tmp);
        control = std::make_unique<monitor::MonitorControl>(
            time, monitor::MonitorTextLists::fromLanguage(config->languageIni()), partners.with(queue, config.get()));
        queue.controller = [this](const QByteArray &) { return stateAnswer; };
        control->loadTask(1);
        host = std::make_unique<QWidget>();
        host->resize(417, 464);
        window = new monitorview::MonitorWindow(host.get(), *config, {}, *control);
        host->show();
    }
    void TearDown() override
    {
        host.reset();
        config->finalizeConfiguration();
    }

    QColor base(QLineEdit *edit) const { return edit->palette().color(QPalette::Base); }
    void answerState(QByteArray answer)
    {
        stateAnswer = std::move(answer);
        control->runSlot(PollCycle::LiftState);
        queue.run();
    }
};

TEST_F(MonitorWindowTest, StateAnswerShowsTextsAndColours)
{
    const QStringList states = config->languageIni().keys(QStringLiteral("unit42_0"));
    ASSERT_GE(states.size(), 4);
    // State 0x2B: index 3, upward, address locked; mode 1 remote switch-off.
    answerState(core::bytes({0xF6, 0x2B, 0x04, 0x07, 0x00, 0x16, 0x01}));
    EXPECT_EQ(window->stateField()->text(), states[3]);
    EXPECT_EQ(base(window->stateField()), QColor(255, 0, 0));
    EXPECT_EQ(window->modeField()->text(), QStringLiteral("Fernabschaltung"));
    EXPECT_EQ(base(window->modeField()), QColor(255, 255, 0));

    answerState(core::bytes({0xF6, 0x00, 0x02, 0xFF, 0x0B, 0x00, 0x04}));
    EXPECT_EQ(window->stateField()->text(), states[0]);
    EXPECT_NE(base(window->stateField()), QColor(255, 0, 0));
    EXPECT_EQ(window->modeField()->text(), QStringLiteral("Nothalt im Schacht"));
    EXPECT_EQ(base(window->modeField()), QColor(255, 0, 0));
    EXPECT_EQ(window->safetyField()->text(), config->languageIni().keys(QStringLiteral("unit42_3")).value(0));  // 11 ignored
}

TEST_F(MonitorWindowTest, StopButtonAndCheckBoxesDriveTheCycle)
{
    EXPECT_EQ(window->stopButton()->text(), QStringLiteral("STOP"));  // no autorun: held
    QTest::mouseClick(window->stopButton(), Qt::LeftButton);          // released: starts building
    EXPECT_EQ(control->cycle().holdCount(), 1);                       // the start holds until the shaft is read
    EXPECT_EQ(queue.sent.value(0), core::bytes({0xF3, 0x55, 0x1A, 0x00}));

    EXPECT_TRUE(window->slotCheckBox(PollCycle::LiftState)->isChecked());
    EXPECT_FALSE(window->slotCheckBox(PollCycle::TripCounter)->isChecked());
    window->slotCheckBox(PollCycle::TripCounter)->click();
    EXPECT_TRUE(control->cycle().slot(PollCycle::TripCounter).enabled);
    EXPECT_TRUE(control->cycle().slot(PollCycle::TripCounter).ready);
    EXPECT_EQ(window->slotCheckBox(PollCycle::NewestFault), window->slotCheckBox(PollCycle::FaultCount));
}

TEST_F(MonitorWindowTest, TabVisibilityFollowsTabsheets)
{
    window->applyTabVisibility(1 | 4);
    QTabWidget *pages = window->pages();
    int visible = 0;
    for (int i = 0; i < pages->count(); ++i) visible += pages->isTabVisible(i);
    EXPECT_EQ(visible, 2);
    window->showTab(monitorview::MonitorWindow::SysModTab);
    EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("SysMod"));
}

// F1 opens the help topic of the tab shown; every topic and every link of the help file exists.
TEST_F(MonitorWindowTest, F1OpensTheTopicOfTheTabShown)
{
    QFile helpFile(QStringLiteral(HALTRON_DATA_DIR "/help/haltron.html"));
    ASSERT_TRUE(helpFile.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(helpFile.readAll());
    QStringList anchors;
    static const QRegularExpression anchor(QStringLiteral("<a name=\"([^\"]+)\""));
    for (auto it = anchor.globalMatch(help); it.hasNext();) anchors << it.next().captured(1);
    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    for (auto it = link.globalMatch(help); it.hasNext();) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(anchors.contains(target)) << target.toStdString();
    }
    for (const char *topic : {"Contents", "10", "450"}) EXPECT_TRUE(anchors.contains(QLatin1String(topic))) << topic;

    QStringList asked;
    QWidget otherHost;
    auto *helped = new monitorview::MonitorWindow(&otherHost, *config, [&asked](const QString &topic) { asked << topic; }, *control);
    for (int tab = 0; tab < monitorview::MonitorWindow::TabCount; ++tab) {
        helped->showTab(monitorview::MonitorWindow::Tab(tab));
        QTest::keyClick(helped, Qt::Key_F1);
    }
    ASSERT_EQ(asked.size(), monitorview::MonitorWindow::TabCount);
    for (const QString &topic : asked) EXPECT_TRUE(anchors.contains(topic)) << topic.toStdString();
    EXPECT_EQ(asked.value(monitorview::MonitorWindow::FaultTab), QStringLiteral("fehler"));
    EXPECT_EQ(QSet<QString>(asked.begin(), asked.end()).size(), monitorview::MonitorWindow::TabCount);  // one topic per tab
}

// "32 autorun" clicked while held (never started) and then while polling with a
// request in flight: each time the shaft is built anew and polling goes on.
TEST_F(MonitorWindowTest, AutorunClickWhileHeldOrRunningLeavesItPolling)
{
    queue.controller = healthyLift;
    partners.queue.channel = &queue;  // a flush drops what waits
    int builds = 0;
    QObject::connect(control.get(), &monitor::MonitorControl::shaftBuilt, [&builds] { ++builds; });
    const auto statePollsIn3s = [this] {
        queue.sent.clear();
        for (int i = 0; i < 60; ++i) {
            time.advance(PollCycle::TickMs);
            queue.run();
        }
        return int(queue.sent.count(core::bytes({0xF1, 0x60})));
    };
    ASSERT_TRUE(control->cycle().held());
    for (int click = 1; click <= 2; ++click) {
        time.advance(PollCycle::TickMs);  // running: a lift-state request is on its way now
        QTest::mouseClick(window->autorunCheckBox(), Qt::LeftButton);
        EXPECT_EQ(window->linkedLabel()->text(), config->languageText(QStringLiteral("monitor_43"), 7));
        queue.run();
        EXPECT_EQ(builds, click);
        EXPECT_EQ(window->stopButton()->text(), QStringLiteral("RUN")) << "click " << click;
        EXPECT_GE(statePollsIn3s(), 9) << "click " << click;
        EXPECT_EQ(window->pages()->currentIndex(), 0);
    }
    EXPECT_FALSE(control->autorun());  // clicked twice: off again
}

// The fill gauge follows the real queue's fill; each answer it processes moves the picture on.
TEST_F(MonitorWindowTest, QueueGaugeAndActivityFollowTheQueue)
{
    protocol::TransferQueue transfers(time);
    transfers.setMode(2);
    std::deque<core::AnswerProc> onLine;
    transfers.sendLocal = [&onLine](const QByteArray &, core::AnswerProc onAnswer) { onLine.push_back(std::move(onAnswer)); };
    monitorview::bindQueueGauges(transfers, *window);
    const int queued = 12;
    for (int i = 0; i < queued; ++i) ASSERT_TRUE(transfers.transferPut(2, nullptr, core::bytes({0xF1, 0x00})));
    EXPECT_EQ(window->sendFillGauge()->value(), queued);
    EXPECT_EQ(window->sendFillGauge()->maximum(), 50);
    const int firstPicture = window->activityPicture();
    for (int answered = 1; answered <= 10; ++answered) {
        ASSERT_FALSE(onLine.empty());
        core::AnswerProc answer = std::move(onLine.front());
        onLine.pop_front();
        answer(core::bytes({0xF1, 0x01}));
        EXPECT_EQ(window->sendFillGauge()->value(), queued - answered);
        EXPECT_EQ(window->activityPicture(), (firstPicture + answered) % 8) << answered;  // eight pictures, round again
    }
}

// The first show picks the first tab once; with the start page digit and no link the
// session's tab goes. Without a link the Modem button has nothing to show.
TEST_F(MonitorWindowTest, FirstShowWithoutALinkFollowsTheStartPageDigit)
{
    for (const bool startPage : {true, false}) {
        QWidget otherHost;
        auto *shown = new monitorview::MonitorWindow(&otherHost, *config, {}, *control);
        shown->showTab(monitorview::MonitorWindow::FaultTab);
        shown->setStartPage(startPage);
        QSignalSpy firstShows(shown, &monitorview::MonitorWindow::firstShown);
        otherHost.show();
        QTabWidget *pages = shown->pages();
        const int telephone = pages->indexOf(shown->tabPage(monitorview::MonitorWindow::TelephoneTab)->parentWidget()->parentWidget());
        EXPECT_EQ(pages->isTabVisible(telephone), !startPage);
        EXPECT_EQ(pages->tabText(pages->currentIndex()), startPage ? QStringLiteral("MONITOR") : QStringLiteral("Fehler"));
        shown->hide();
        shown->showTab(monitorview::MonitorWindow::FaultTab);
        shown->show();
        EXPECT_EQ(firstShows.count(), 1);
        EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Fehler"));
    }
}

// The maintenance bits' captions are entries 19 to 23 of "unit43", as a user's own
// language file holds them; the value captions that had those numbers moved on.
TEST_F(MonitorWindowTest, CaptionsComeFromTheirLanguageEntries)
{
    const QStringList maintenance{QStringLiteral("Betriebs Stunden"), QString::fromUtf8("Fahrten Zähler"), QStringLiteral("Fehler"),
                                  QStringLiteral("Zeit-Periode"), QString::fromUtf8("Sammel-Störung")};
    monitorview::FunctionBox delivered(*config);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(delivered.maintenanceBox(i)->text(), maintenance[i]) << i;
    QStringList captions;
    for (const QLabel *label : window->identityBox()->findChildren<QLabel *>()) captions << label->text();
    for (const QToolButton *button : window->findChildren<QToolButton *>()) captions << button->text();
    for (const char *caption : {"letzter Fehler", "Version", "oberste Etage", "Anlagenkennung", "Telefon"})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;

    QTemporaryDir own;
    writeText(own.filePath(QStringLiteral("test.ini")), testIni(QStringLiteral("00001")));
    QString language = QStringLiteral("[unit43]\n");
    for (int n = 19; n <= 23; ++n) language += QStringLiteral("%1=Bit %1\n").arg(n);
    for (int n = 48; n <= 52; ++n) language += QStringLiteral("%1=falsch\n").arg(n);
    writeText(own.filePath(QStringLiteral("de.lng")), language);
    shell::Configuration ownConfig(time, core::reports());
    ownConfig.initConfiguration({{QStringLiteral("haltron"), QStringLiteral("/i=test.ini")}, own.path(), own.path(), {}});
    monitorview::FunctionBox users(ownConfig);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(users.maintenanceBox(i)->text(), QStringLiteral("Bit %1").arg(19 + i));
    ownConfig.finalizeConfiguration();
}
