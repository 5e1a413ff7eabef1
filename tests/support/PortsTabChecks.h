#pragma once
// What the "Ports" tab shows against the stand-in's port answer, and its
// saved file against what it shows. Link with haltron_monitor_reading_ui.

#include "core/Bytes.h"
#include "monitorview/PortGroupBox.h"
#include "monitorview/PortsTab.h"
#include "monitorview/ReadingTabs.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace testsupport {

// Each box holds its answer byte (byte 6 belongs to no port).
inline void expectPortsShown(monitorview::PortsTab &tab, const QByteArray &answer)
{
    const int answerBytes[] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14};
    for (int p = 0; p < 13; ++p) EXPECT_EQ(tab.portBox(p)->value(), core::byteAt(answer, answerBytes[p])) << p;
}

// "sichern" into file; the file's lines, which must also be what the fault list was handed.
inline QStringList savePortsThroughTheButton(monitorview::ReadingTabs &tabs, const QString &file)
{
    QStringList shown;
    const QMetaObject::Connection listening = QObject::connect(
        tabs.portsTab(), &monitorview::PortsTab::portFileSaved, [&](const QStringList &lines) { shown = lines; });
    tabs.portsTab()->chooseFile = [file] { return file; };
    QTest::mouseClick(tabs.portsTab()->saveButton(), Qt::LeftButton);
    QObject::disconnect(listening);
    QFile read(file);
    const QStringList lines = read.open(QIODevice::ReadOnly) ? QString::fromUtf8(read.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
    EXPECT_EQ(shown, lines);
    return lines;
}

// After the date line, each saved port's name line and its eight rows as the box shows them.
inline void expectFileAsShown(const QStringList &lines, monitorview::PortsTab &tab)
{
    ASSERT_EQ(lines.size(), 109);
    int at = 1;
    for (int p = 0; p < 13; ++p) {
        if (p == 4) continue;  // port 77 is shown, not saved
        EXPECT_EQ(lines[at++], QStringLiteral("Port-") + tab.portPages()->tabText(p));
        for (int bit = 0; bit < 8; ++bit)
            EXPECT_EQ(lines[at++], QStringLiteral("%1 [%2]  %3").arg(bit).arg(tab.portBox(p)->bitLabel(bit)->text(), tab.portBox(p)->rowText(bit)));
    }
}

}  // namespace testsupport
