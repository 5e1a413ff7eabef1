#include "LiftDisplay.h"

#include "core/Bytes.h"

#include <QList>

namespace sim {

namespace {

constexpr int Columns = 16;
constexpr int RunLength = 13;
constexpr int MaxChanges = 7;
// The controller's arrows and umlauts in its own codes.
constexpr char ArrowUp = 8, ArrowDown = 9, CursorMark = 0x10;
constexpr char Ue = char(0x81), AeUpper = char(0x8E);
// A marker of 0xF0 | 15: the line takes fifteen more bytes.
const quint8 DisplayMarker = 0xFF;

QByteArray row(QByteArray text) { return text.leftJustified(Columns, ' ', true); }

QByteArray number(qint64 value, int width) { return QByteArray::number(value).rightJustified(width, ' '); }

QByteArray doorText(Lift::Door door)
{
    switch (door) {
    case Lift::Door::Closed: return "zu";
    case Lift::Door::Opening: return "<>";
    case Lift::Door::Closing: return "><";
    case Lift::Door::Open: return "auf";
    }
    return "?";
}

QByteArray testTripText(Lift::TestTrips mode)
{
    switch (mode) {
    case Lift::TestTrips::Off: return "AUS";
    case Lift::TestTrips::Sequence: return "SEQ";
    case Lift::TestTrips::Random: return "RND";
    case Lift::TestTrips::EndToEnd: return "I/A";
    }
    return "?";
}

constexpr int SettingsRows = 3;

}  // namespace

bool LiftDisplay::handles(const QByteArray &t)
{
    const quint8 c = core::byteAt(t, 0), b1 = core::byteAt(t, 1), b2 = core::byteAt(t, 2);
    return c == 0xF2 && ((b1 == 0x55 && (b2 == 0x05 || b2 == 0x06)) || b1 == 0x53);
}

std::optional<QByteArray> LiftDisplay::answer(Lift &lift, const QByteArray &t)
{
    if (!handles(t)) return std::nullopt;
    if (core::byteAt(t, 1) == 0x53) {
        key(lift, core::byteAt(t, 2));
        return core::bytes({0xF1, 0x01});
    }
    if (core::byteAt(t, 2) == 0x06) {
        m_wholeFrom = 0;
        return core::bytes({0xF1, 0x01});
    }
    return changes(lift);
}

void LiftDisplay::key(Lift &lift, int code)
{
    switch (code) {
    case RightKey: m_page = Page((m_page + 1) % PageCount); m_scroll = m_cursor = 0; break;
    case LeftKey: m_page = Page((m_page + PageCount - 1) % PageCount); m_scroll = m_cursor = 0; break;
    case UpKey:
        if (m_page == FaultPage) m_scroll = qMax(0, m_scroll - 1);
        if (m_page == SettingsPage) m_cursor = (m_cursor + SettingsRows - 1) % SettingsRows;
        break;
    case DownKey:
        if (m_page == FaultPage) m_scroll = qMin(qMax(0, int(lift.faults().size()) - 3), m_scroll + 1);
        if (m_page == SettingsPage) m_cursor = (m_cursor + 1) % SettingsRows;
        break;
    case EnterKey:
        if (m_page != SettingsPage) break;
        if (m_cursor == 0) lift.setTestTrips(Lift::TestTrips((int(lift.testTrips()) + 1) % 4));
        if (m_cursor == 1) lift.setAddressLocked(!lift.addressLocked());
        if (m_cursor == 2) lift.setSwitchedOff(!lift.switchedOff());
        break;
    }
}

QByteArray LiftDisplay::render(const Lift &lift) const
{
    QByteArray screen;
    switch (m_page) {
    case StatusPage: {
        QByteArray arrow = " ";
        if (lift.direction() == Lift::Direction::Up) arrow = QByteArray(1, ArrowUp);
        if (lift.direction() == Lift::Direction::Down) arrow = QByteArray(1, ArrowDown);
        QByteArray state = "Normalbetrieb";
        if (lift.switchedOff()) state = "Abgeschaltet";
        else if (lift.testTrips() != Lift::TestTrips::Off) state = "Testfahrt " + testTripText(lift.testTrips());
        else if (lift.travelling()) state = "Fahrt";
        screen = row("STATUS      1/4") + row("Etg " + number(lift.floor(), 2) + " " + arrow + " Ziel "
                                              + (lift.target() < 0 ? QByteArray("--") : number(lift.target(), 2)))
                 + row("T" + QByteArray(1, Ue) + "r A:" + doorText(lift.doorA()) + " B:" + doorText(lift.doorB()))
                 + row(state);
        break;
    }
    case FaultPage: {
        const auto &faults = lift.faults();
        screen = row("FEHLER " + number(qint64(faults.size()), 4) + "  2/4");
        for (int i = 0; i < 3; ++i) {
            const int index = m_scroll + i;
            if (index >= int(faults.size())) {
                screen += row(index == 0 ? "keine Fehler" : "");
                continue;
            }
            const FaultRecord &r = faults[size_t(index)];
            screen += row(number(index + 1, 3) + ": " + number(r.category, 3) + "/" + number(r.number, 3) + " "
                          + number(r.value, 3));
        }
        break;
    }
    case CounterPage:
        screen = row("Z" + QByteArray(1, AeUpper) + "HLER      3/4") + row("Fahrt " + number(lift.trips(), 10))
                 + row("Std.  " + number(lift.operatingSeconds() / 3600, 10)) + row("Fehler" + number(qint64(lift.faults().size()), 10));
        break;
    case SettingsPage: {
        const QByteArray values[SettingsRows] = {"Testf.  " + testTripText(lift.testTrips()),
                                                 QByteArray("Sperre  ") + (lift.addressLocked() ? "EIN" : "AUS"),
                                                 QByteArray("Abschal ") + (lift.switchedOff() ? "EIN" : "AUS")};
        screen = row("EINSTELLUNG 4/4");
        for (int i = 0; i < SettingsRows; ++i)
            screen += row((i == m_cursor ? QByteArray(1, CursorMark) : QByteArray(" ")) + " " + values[i]);
        break;
    }
    case PageCount: break;
    }
    return screen.leftJustified(Cells, ' ', true);
}

QByteArray LiftDisplay::changes(const Lift &lift)
{
    const QByteArray screen = render(lift);
    QByteArray d;
    auto run = [&](int start) {
        d = core::bytes({0xFF, start});
        for (int k = 0; k < RunLength; ++k) {
            const int cell = (start + k) % Cells;
            d += screen[cell];
            m_sent[cell] = screen[cell];
        }
    };
    if (m_wholeFrom >= 0) {
        run(m_wholeFrom);
        m_wholeFrom += RunLength;
        if (m_wholeFrom >= Cells) m_wholeFrom = -1;
    } else {
        QList<int> changed;
        for (int cell = 0; cell < Cells; ++cell)
            if (screen[cell] != m_sent[cell]) changed << cell;
        if (changed.size() > MaxChanges) {
            run(changed.first());  // a new page: runs are quicker than masks
        } else {
            d = QByteArray(8, '\0');
            for (int cell : changed) {
                d[cell / 8] = char(quint8(d[cell / 8]) | 1 << (cell % 8));
                d += screen[cell];
                m_sent[cell] = screen[cell];
            }
        }
    }
    return (QByteArray(1, char(DisplayMarker)) + d).leftJustified(16, '\0', true);
}

}  // namespace sim
