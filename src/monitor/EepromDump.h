#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace monitor {

// An area of the controller's EEPROM that the "EEprom" tab dumps.
struct EepromArea {
    const char *caption;  // button
    const char *name;     // first line of the dump
    quint16 start;
    int length;
};
inline constexpr EepromArea EepromAreas[] = {
    {"COMPLETE", "eedCOMPLETE", 0x3000, 8192}, {"0-31", "eedRAW", 0x3000, 32},
    {"DIR", "eedDIR", 0x3020, 120},            {"SYSPERM", "eedSYSPERM", 0x3002, 30},
    {"SYSMOD1", "eedSYSMOD1", 0x3098, 1040},   {"SYSMOD2", "eedSYSMOD2", 0x34A8, 1040},
    {"SHAFT", "eedSHAFT  ", 0x38B8, 230},      {"PANIC", "eedPANIC  ", 0x399E, 706},
    {"MODEM", "eedMODEM  ", 0x3C60, 12},       {"STAT", "eedSTAT   ", 0x3C6C, 688},
    {"ID", "eedID     ", 0x3F1C, 16},          {"TEL", "eedTEL    ", 0x3F2C, 16},
    {"PRGM", "eedPRGM   ", 0x3F45, 2100},      {"CALLS", "eedCALLS  ", 0x4779, 256},
};
inline constexpr int EepromAreaCount = int(std::size(EepromAreas));

// The dump's text: the area name, then one line per 16 bytes below length, offsets relative
// to the area. Bytes the buffer does not hold show as 00.
QStringList eepromDumpLines(const QString &name, const QByteArray &bytes, int length);
// One line: "%4.4X: " and 16 bytes in groups of four, then the printable text in double quotes.
QString eepromDumpLine(int offset, const QByteArray &sixteen);

// The controller's memory as a dump reads it, four bytes a step.
class InfoMemory {
public:
    virtual ~InfoMemory() = default;
    // Selects the address and reads four bytes; done runs when they are there, failed
    // when the queue refused or dropped a request.
    virtual void selectAndReadInfo(quint16 address, std::function<void()> done, std::function<void()> failed) = 0;
    // Copies the four bytes read into dest at pos; returns the position behind them.
    virtual int copyInfoBytes(QByteArray &dest, int pos) const = 0;
};

// Reads an area in steps of four bytes (select the address, read four bytes; one step more
// than length / 4) and hands the dump's lines over at the end. One dump at a time: a new
// one abandons the one running, so a dump that lost an answer never blocks the next.
// A step the queue refuses or drops ends the dump: stepped() then says "transf.error".
class EepromDump : public QObject {
    Q_OBJECT
public:
    explicit EepromDump(InfoMemory &memory, QObject *parent = nullptr);

    // False for an area outside the table.
    bool start(int area);
    bool running() const { return m_running; }

signals:
    // "addr=%4.4X" of every step.
    void stepped(const QString &text);
    // The dump's lines, once the whole area is read.
    void dumped(const QStringList &lines);

private:
    void step();
    void stepFailed();

    InfoMemory &m_memory;
    int m_area = 0;
    quint16 m_address = 0;
    int m_remaining = 0;
    int m_position = 0;
    QByteArray m_buffer;
    bool m_running = false;
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
};

}  // namespace monitor
