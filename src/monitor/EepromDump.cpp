#include "EepromDump.h"

#include "protocol/Codes.h"

namespace monitor {

QString eepromDumpLine(int offset, const QByteArray &sixteen)
{
    QString line = QString::asprintf("%4.4X:", offset & 0xFFFF);
    QString text;
    for (int i = 0; i < 16; ++i) {
        const quint8 b = i < sixteen.size() ? quint8(sixteen[i]) : 0;
        line += QString::asprintf(" %2.2X", b);
        if (i % 8 == 7) line += QStringLiteral("  ");
        else if (i % 4 == 3) line += QLatin1Char(' ');
        const bool plain = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        text += plain ? QChar(b) : QChar('.');
    }
    return line + QStringLiteral(" \"") + text + QLatin1Char('"');
}

QStringList eepromDumpLines(const QString &name, const QByteArray &bytes, int length)
{
    QStringList lines{name};
    for (int offset = 0; offset < length; offset += 16) lines << eepromDumpLine(offset, bytes.mid(offset, 16));
    return lines;
}

bool EepromDump::start(int area)
{
    if (area < 0 || area >= EepromAreaCount) return false;
    ++*m_generation;  // answers of an abandoned dump go nowhere
    m_area = area;
    m_address = EepromAreas[area].start;
    m_remaining = EepromAreas[area].length;
    m_position = 0;
    m_buffer = QByteArray(EepromAreas[area].length + 10, '\0');
    m_running = true;
    step();
    return true;
}

EepromDump::EepromDump(InfoMemory &memory, QObject *parent) : QObject(parent), m_memory(memory) {}

void EepromDump::step()
{
    const std::weak_ptr<int> generation = m_generation;
    const int mine = *m_generation;
    const auto current = [generation, mine] {
        const auto g = generation.lock();
        return g && *g == mine;
    };
    const auto failed = [this, current] {
        if (current()) stepFailed();
    };
    m_memory.selectAndReadInfo(m_address, [this, current] {
        if (!current()) return;
        m_position = m_memory.copyInfoBytes(m_buffer, m_position);
        emit stepped(QString::asprintf("addr=%4.4X", m_address));
        if (m_remaining < 1) {
            m_running = false;
            const EepromArea &area = EepromAreas[m_area];
            emit dumped(eepromDumpLines(QString::fromLatin1(area.name), m_buffer, area.length));
            return;
        }
        m_address = quint16(m_address + 4);
        m_remaining -= 4;
        step();
    }, failed);
}

void EepromDump::stepFailed()
{
    ++*m_generation;
    m_running = false;
    emit stepped(QString::fromLatin1(protocol::TransferRefusedText));
}

}  // namespace monitor
