#include "SingleCommands.h"

#include "core/Bytes.h"

namespace monitor {

namespace {
constexpr int AnswerLength = 2;
}

bool SingleCommands::put(const QByteArray &telegram, core::AnswerProc onAnswer)
{
    return m_channel.put(AnswerLength, std::move(onAnswer), telegram);
}

bool SingleCommands::testTrips(int mode) { return put(core::bytes({0xF3, 0x3D, 0x00, quint8(mode)})); }

bool SingleCommands::searchTrip() { return put(core::bytes({0xF1, 0x23})); }

bool SingleCommands::zblTest(std::function<void(const QString &hex)> onAnswer)
{
    return put(core::bytes({0xF1, 0x00}), [onAnswer](const QByteArray &answer) {
        if (onAnswer) onAnswer(core::hexText(answer.left(2), QString()));
    });
}

bool SingleCommands::groupTest(std::function<void(const QString &hex)> onAnswer)
{
    return put(core::bytes({0xF0, 0x10, 0x5B, 0x00}), [onAnswer](const QByteArray &answer) {
        if (onAnswer) onAnswer(core::hexText(answer, QString()));
    });
}

int SingleCommands::burst(std::function<void()> onAnswer)
{
    int taken = 0;
    for (int i = 0; i < BurstCount; ++i)
        taken += put(core::bytes({0xF1, 0x00}), [onAnswer](const QByteArray &) {
            if (onAnswer) onAnswer();
        });
    return taken;
}

}  // namespace monitor
