#include "comlink/PortPicker.h"
#include "comlink/PortWindow.h"
#include "comlink/QtSerialLine.h"

#include "core/IniFile.h"
#include "core/Reports.h"

#include "TestApp.h"
#include "WidgetFind.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "Pty.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using testsupport::button;

namespace {

using testsupport::Pty;

QByteArray fileBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// With HALTRON_SHOTS_DIR set the windows are saved there for a look.
void saveShot(QWidget &widget, const char *name)
{
    const QString dir = qEnvironmentVariable("HALTRON_SHOTS_DIR");
    if (!dir.isEmpty()) widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
}

QTreeWidgetItem *row(const comlink::PortPicker &picker, const QString &path)
{
    const QList<QTreeWidgetItem *> hits = picker.list()->findItems(path, Qt::MatchExactly, 0);
    return hits.isEmpty() ? nullptr : hits.first();
}

// The user's settings go to a temporary XDG_CONFIG_HOME; the program's INI
// sits next to it and must keep its bytes.
struct PortPickerTest : ::testing::Test {
    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        core::reports().reset();
        if (pty.slave.isEmpty()) GTEST_SKIP() << "no pseudo-terminals here";
        ASSERT_TRUE(dir.isValid());
        savedXdg = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
        iniFile = dir.filePath(QStringLiteral("haltron.ini"));
        QFile f(iniFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[comport]\r\nport=1\r\ndevice=/dev/ttyHALTRON-ini\r\n");
        f.close();
        iniBytes = fileBytes(iniFile);
    }
    void TearDown() override
    {
        if (savedXdg.isNull()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", savedXdg);
    }
    // What the program does at start: the INI, then the user's choice over it.
    QString iniDevice() const { return core::IniFile(iniFile).readString(QStringLiteral("comport"), QStringLiteral("device")); }
    QString startDevice() const { return comlink::startDevice(core::IniFile(iniFile)); }

    Pty pty;
    QTemporaryDir dir;
    QByteArray savedXdg;
    QString iniFile;
    QByteArray iniBytes;
    core::VirtualTime time;
};

TEST_F(PortPickerTest, TypedPseudoTerminalIsUsedAndSurvivesARestart)
{
    // First run: nothing chosen, the INI's device is in force.
    {
        ASSERT_EQ(startDevice(), QStringLiteral("/dev/ttyHALTRON-ini"));
        comlink::QtSerialLine line;
        comlink::ComPort port(line, time);
        port.setConfiguredDevice(startDevice());
        comlink::PortWindow window(port, time);
        comlink::PortPicker &picker = *window.picker();
        comlink::bindPortPicker(picker, port, iniDevice());
        window.show();
        EXPECT_TRUE(picker.typedPath().isEmpty());
        EXPECT_EQ(picker.stateLabel()->text(), QStringLiteral("Voreinstellung der INI-Datei"));

        // A path that does not exist is listed as missing.
        QTest::keyClicks(picker.pathField(), QStringLiteral("/dev/ttyHALTRON-gone"));
        picker.refresh();
        QTreeWidgetItem *gone = row(picker, QStringLiteral("/dev/ttyHALTRON-gone"));
        ASSERT_TRUE(gone);
        EXPECT_EQ(gone->text(4), QStringLiteral("fehlt"));
        EXPECT_TRUE(picker.stateLabel()->text().endsWith(QStringLiteral("fehlt")));

        // The pseudo-terminal is never enumerated; typing it works.
        picker.pathField()->clear();
        QTest::keyClicks(picker.pathField(), pty.slave);
        QTest::mouseClick(picker.applyButton(), Qt::LeftButton);
        QTreeWidgetItem *typed = row(picker, pty.slave);
        ASSERT_TRUE(typed);
        EXPECT_EQ(typed->text(4), QStringLiteral("bereit"));
        EXPECT_EQ(port.configuredDevice(), pty.slave);
        saveShot(window, "haltron-portpicker-window.png");

        // Used at once for the next open.
        QTest::mouseClick(button(window, "COM1"), Qt::LeftButton);
        ASSERT_TRUE(port.isOpen());
        port.sendChar(0x01);
        char got = 0;
        for (int i = 0; i < 200 && ::read(pty.master, &got, 1) != 1; ++i) QTest::qWait(5);
        EXPECT_EQ(got, '\x01');
        // While we hold it, the picker calls it busy rather than opening it again.
        picker.refresh();
        EXPECT_EQ(row(picker, pty.slave)->text(4), QStringLiteral("belegt"));
        QTest::mouseClick(button(window, "CLOSE"), Qt::LeftButton);
        EXPECT_FALSE(port.isOpen());
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("config/haltron/haltron-user.ini"))));
    EXPECT_EQ(fileBytes(iniFile), iniBytes);

    // Restart: a fresh start reads the choice; the main window's dialog shows it.
    {
        EXPECT_EQ(startDevice(), pty.slave);
        comlink::QtSerialLine line;
        comlink::ComPort port(line, time);
        port.setConfiguredDevice(startDevice());
        comlink::PortPickerDialog dialog;
        comlink::bindPortPicker(*dialog.picker(), port, iniDevice());
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Schnittstelle wählen"));
        EXPECT_EQ(dialog.picker()->typedPath(), pty.slave);
        ASSERT_TRUE(row(*dialog.picker(), pty.slave));
        saveShot(dialog, "haltron-portpicker-dialog.png");
        ASSERT_TRUE(port.openPort(1));
        port.closePort();

        // Clearing the field returns to the INI's default, now and at the next start.
        dialog.picker()->pathField()->clear();
        QTest::mouseClick(dialog.picker()->applyButton(), Qt::LeftButton);
        EXPECT_EQ(port.configuredDevice(), QStringLiteral("/dev/ttyHALTRON-ini"));
        EXPECT_EQ(startDevice(), QStringLiteral("/dev/ttyHALTRON-ini"));
    }
    EXPECT_EQ(fileBytes(iniFile), iniBytes);
}

TEST_F(PortPickerTest, TextsComeFromTheLanguageFile)
{
    comlink::PortPicker picker;
    picker.languageText = [](const QString &section, const QString &ident) {
        return section == QLatin1String("portpicker") && ident == QLatin1String("11") ? QStringLiteral("nehmen") : QString();
    };
    picker.listPorts = [](const QString &) { return QList<comlink::PortEntry>{}; };
    picker.show();
    EXPECT_EQ(picker.applyButton()->text(), QStringLiteral("nehmen"));
    EXPECT_EQ(picker.list()->headerItem()->text(4), QStringLiteral("Zustand"));  // missing entry: German default
}

TEST_F(PortPickerTest, EachStateHasItsOwnWords)
{
    comlink::PortPicker picker;
    using comlink::PortState;
    const struct { const char *path; PortState state; const char *shown; } cases[] = {
        {"/dev/ttyA", PortState::Ready, "bereit"},
        {"/dev/ttyB", PortState::Missing, "fehlt"},
        {"/dev/ttyC", PortState::Busy, "belegt"},
        {"/dev/ttyD", PortState::NoAccess, "kein Zugriff"},
        {"/dev/ttyE", PortState::LockFolder, "Sperrordner nicht beschreibbar"},
    };
    picker.listPorts = [&cases](const QString &) {
        QList<comlink::PortEntry> entries;
        for (const auto &c : cases) entries.append({QLatin1String(c.path), {}, {}, {}, c.state, true});
        return entries;
    };
    picker.show();
    picker.refresh();
    for (const auto &c : cases) {
        QTreeWidgetItem *item = row(picker, QLatin1String(c.path));
        ASSERT_TRUE(item) << c.path;
        EXPECT_EQ(item->text(4), QString::fromUtf8(c.shown)) << c.path;
    }
    // A device that is gone says how to mend it where the user points.
    EXPECT_EQ(row(picker, QStringLiteral("/dev/ttyB"))->toolTip(4), QStringLiteral("/dev/ttyB: Gerät fehlt: Kabel und Gerätenamen prüfen"));
    EXPECT_TRUE(row(picker, QStringLiteral("/dev/ttyA"))->toolTip(4).isEmpty());
}

}  // namespace
