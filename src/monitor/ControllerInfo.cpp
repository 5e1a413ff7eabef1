#include "ControllerInfo.h"

#include "MonitorCodes.h"
#include "protocol/Codes.h"
#include "core/Bytes.h"

namespace monitor {

namespace {
constexpr int CounterAnswerLength = 9;
constexpr int GroupAnswerLength = 3;
}  // namespace

std::optional<CounterParts> decodeCounter(const QByteArray &answer)
{
    if (answer.size() < CounterAnswerLength || core::byteAt(answer, 0) != 0xF8) return std::nullopt;
    if (!protocol::nibblesOnly(answer.mid(1, 8))) return std::nullopt;
    return CounterParts{protocol::fromNibbles(answer, 1), protocol::fromNibbles(answer, 5)};
}

QString tripCounterText(const QByteArray &answer)
{
    const auto counter = decodeCounter(answer);
    if (!counter) return QString::fromLatin1(UnreadableCounterText);
    return QString::number(qint64(counter->high) * 10000 + counter->low);
}

QString operatingHoursText(const QByteArray &answer)
{
    const auto counter = decodeCounter(answer);
    const qint64 minutes = counter ? qint64(counter->high) * 60 + counter->low / 60 : 99999;
    return QString::asprintf("%2lld:%2lld", minutes / 60, minutes % 60);
}

bool readTripCounter(core::Channel &channel, TextProc onText)
{
    // The answer is F8 and eight nibbles: nine bytes.
    return channel.put(CounterAnswerLength,
                       [onText](const QByteArray &answer) { if (onText) onText(tripCounterText(answer)); },
                       core::bytes({0xF1, 0x40}));
}

bool isValidGroupAddress(int value)
{
    return groupMemberOfAddress(value) >= 0;
}

int groupMemberOfAddress(int value)
{
    switch (value) {
    case 1: case 5: case 9: return 0;
    case 2: case 6: case 10: return 1;
    case 7: case 11: return 2;
    case 12: return 3;
    default: return -1;
    }
}

QString groupAddressText(const QByteArray &answer)
{
    const int value = core::byteAt(answer, 1);
    if (answer.size() >= 2 && isValidGroupAddress(value)) return QStringLiteral(" QRX[%1]").arg(value);
    return QStringLiteral(" GRUPPE/QRX <ERROR> [%1]").arg(core::hexText(answer, QString()));
}

bool queryGroupAddress(core::Channel &channel, TextProc onText, int k)
{
    return requestGroupAddress(channel, [onText](const QByteArray &answer) { if (onText) onText(groupAddressText(answer)); },
                               k & 0xFF);
}

bool requestGroupAddress(core::Channel &channel, core::AnswerProc onAnswer, int k)
{
    // Routed by hand, so it passes any member chosen as it is.
    const QByteArray request = core::bytes({0xF2, 0x55, 0x1B});
    return channel.put(GroupAnswerLength, std::move(onAnswer), k >= 0 ? protocol::groupRouted(k, request) : request);
}

QString topFloorText(int topFloor) { return QStringLiteral("KO=%1").arg(topFloor); }

}  // namespace monitor
