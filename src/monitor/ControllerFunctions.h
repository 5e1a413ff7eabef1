#pragma once

#include "ControllerInfo.h"
#include "core/Transfer.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace monitor {

// The maintenance byte (answer to F2 55 09): F1 and the bits in byte 1.
inline constexpr int MaintenanceBitValues[] = {1, 2, 4, 8, 16};
std::optional<int> decodeMaintenanceBits(const QByteArray &answer);
// "Wartungs.Bits: " and one digit per bit in the order 1, 2, 4, 8, 16; "Lese-Fehler" without the marker.
QString maintenanceBitsText(const QByteArray &answer);
// Asks F2 55 09; false when the queue refused it, onAnswer is then never called.
bool readMaintenanceBits(const core::TransferPutFn &put, std::function<void(const QByteArray &answer)> onAnswer);

// What the group controller box shows of a group answer (F2 55 1B, byte 1 the value).
struct GroupAnswerView {
    QString caption;      // "@=[value]"
    bool enabled = false; // values 1 to 12
    int member = -1;      // radio button 0..3, -1 for none
};
GroupAnswerView decodeGroupAnswer(const QByteArray &answer);
// The routed request's note, "to.." and the member.
QString groupSwitchText(int member);

// The monitor's fault fields: the stored count of slot 4 and the offset of the entry that
// slot 5 and the step-back button show.
class NewestFaultField {
public:
    // Slot 4's text; a valid number becomes the stored count.
    void countAnswer(const QString &text);
    // Slot 5 shows the newest entry.
    void resetOffset() { m_offset = 0; }
    // The step-back button: the next older entry's index, back to the newest after the oldest.
    int stepBack();
    // "(count - offset) text".
    QString entryText(const QString &text) const;
    int count() const { return m_count; }
    int offset() const { return m_offset; }

private:
    int m_count = 0;
    int m_offset = 0;
};

// The group member the monitor talks to: once chosen, every request goes to it behind
// F0 10 70 k. Requests routed already (F0) and group-controller requests (C1) pass as they are.
class GroupRoute {
public:
    explicit GroupRoute(core::TransferPutFn put) : m_put(std::move(put)) {}

    // -1: the controller on the line itself.
    void setMember(int member) { m_member = member >= 0 && member <= 3 ? member : -1; }
    int member() const { return m_member; }
    bool put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram) const;
    core::TransferPutFn putFunction() const
    {
        return [this](int length, core::AnswerProc onAnswer, const QByteArray &telegram) {
            return put(length, std::move(onAnswer), telegram);
        };
    }

private:
    core::TransferPutFn m_put;
    int m_member = -1;
};

}  // namespace monitor
