#pragma once

#include "ControllerInfo.h"
#include "core/Channel.h"

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
bool readMaintenanceBits(core::Channel &channel, std::function<void(const QByteArray &answer)> onAnswer);

// What the group controller box shows of a group answer (F2 55 1B, byte 1 the value).
struct GroupAnswerView {
    QString caption;      // "@=[value]"
    bool enabled = false; // values 1 to 12
    int member = -1;      // radio button 0..3, -1 for none
};
GroupAnswerView decodeGroupAnswer(const QByteArray &answer);
// The routed request's note, "to.." and the member.
QString groupSwitchText(int member);
// The group member requests go to, as the group box names it ("QRx-2"); empty outside a group.
QString memberCaption(int member);

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

}  // namespace monitor
