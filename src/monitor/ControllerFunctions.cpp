#include "ControllerFunctions.h"

#include "FaultLog.h"
#include "core/Bytes.h"
#include "protocol/Codes.h"

namespace monitor {

std::optional<int> decodeMaintenanceBits(const QByteArray &answer)
{
    if (answer.size() < 2 || core::byteAt(answer, 0) != 0xF1) return std::nullopt;
    return core::byteAt(answer, 1);
}

QString maintenanceBitsText(const QByteArray &answer)
{
    const auto bits = decodeMaintenanceBits(answer);
    if (!bits) return QStringLiteral("Lese-Fehler");
    QString text = QStringLiteral("Wartungs.Bits: ");
    for (int bit : MaintenanceBitValues) text += (*bits & bit) ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

bool readMaintenanceBits(core::Channel &channel, std::function<void(const QByteArray &)> onAnswer)
{
    return channel.put(2, std::move(onAnswer), core::bytes({0xF2, 0x55, 0x09}));
}

GroupAnswerView decodeGroupAnswer(const QByteArray &answer)
{
    const int value = core::byteAt(answer, 1);
    GroupAnswerView view;
    view.caption = QStringLiteral("@=[%1]").arg(value);
    view.enabled = answer.size() >= 2 && value >= 1 && value <= 12;
    view.member = answer.size() >= 2 ? groupMemberOfAddress(value) : -1;
    return view;
}

QString groupSwitchText(int member) { return QStringLiteral("to..%1").arg(member); }

QString memberCaption(int member) { return member >= 0 ? QStringLiteral("QRx-%1").arg(member) : QString(); }

void NewestFaultField::countAnswer(const QString &text)
{
    bool ok = false;
    const int count = text.toInt(&ok);
    if (ok) m_count = count;
}

int NewestFaultField::stepBack()
{
    m_offset = nextFaultOffset(m_offset, m_count);
    return m_offset;
}

QString NewestFaultField::entryText(const QString &text) const { return faultReportText(m_count, m_offset, text); }


}  // namespace monitor
