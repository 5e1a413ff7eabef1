#pragma once

#include "Lift.h"

#include <QByteArray>

#include <optional>

namespace sim {

// A lift controller's 4 x 16 character display with its menu: a status page
// (floor, direction, doors, state), the fault list, the counters and a
// settings page. Left and right change the page, up and down scroll or move
// the cursor, enter changes the setting under the cursor. The display is sent
// as the mirror asks: changes with their masks, or runs of 13 characters
// from a start cell when the whole screen was asked for or too much changed.
class LiftDisplay {
public:
    static constexpr int Cells = 64;
    enum Page { StatusPage, FaultPage, CounterPage, SettingsPage, PageCount };
    // Key codes as a QRX controller reads them.
    enum Key { EnterKey = 1, RightKey = 2, DownKey = 4, UpKey = 8, LeftKey = 16 };

    // True for the display's telegrams: F2 55 05, F2 55 06, F2 53 k.
    static bool handles(const QByteArray &telegram);
    std::optional<QByteArray> answer(Lift &lift, const QByteArray &telegram);

    void key(Lift &lift, int code);
    // The screen as it stands, row-major, in the controller's codes.
    QByteArray render(const Lift &lift) const;
    Page page() const { return m_page; }

private:
    QByteArray changes(const Lift &lift);

    Page m_page = StatusPage;
    int m_scroll = 0;   // first fault shown
    int m_cursor = 0;   // settings row
    QByteArray m_sent = QByteArray(Cells, '\0');  // what the far side was sent
    int m_wholeFrom = -1;  // next start cell of a whole-screen update; -1: none owed
};

}  // namespace sim
