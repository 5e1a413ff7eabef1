#pragma once

#include "core/Timer.h"
#include "core/Channel.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace panels {

// The controller's 4 x 16 character display, mirrored by polling: one request
// in flight at a time, each answer carrying the changed characters; a key
// press sends a key telegram. It knows nothing of the link: whoever opens it
// plugs in the send operation and the after-answer callback.
class DisplayMirror {
public:
    static constexpr int Rows = 4;
    static constexpr int Columns = 16;
    static constexpr int Cells = Rows * Columns;
    static constexpr int ErrorDelayMs = 1000;
    // The button values of the five keys.
    enum Key { EnterKey = 1, RightKey = 2, DownKey = 4, UpKey = 8, LeftKey = 16 };
    enum class Lamp { ButtonFace, Green, Red, Yellow };

    // Every request goes through the channel until the halt.
    DisplayMirror(core::TimerFactory &timers, core::Channel &channel, bool hpzMode);

    // Any "type" other than "QRX" is an HPZ controller.
    static bool hpzFromMachineType(const QString &type) { return type != QLatin1String("QRX"); }
    // The controller's arrow codes to the character set's arrow glyphs.
    static quint8 mapCode(quint8 code);
    // The code sent for a key button in the given mode; 0 for an unknown value.
    static quint8 keyCode(int buttonValue, bool hpzMode);
    // What a row's codes look like on screen: the display's code page with its
    // glyphs for the control codes; 0 shows as a blank.
    static QString displayText(const QByteArray &codes);

    // False after the halt: nothing is sent any more.
    bool hasChannel() const { return m_channel != nullptr; }

    void makeReady();
    void pollStep();
    void clearDisplay();
    void setMode(bool hpz);
    void toggleMode() { setMode(!m_hpz); }
    // "neu": the next request asks for the whole screen.
    void rebuild() { m_rebuild = true; }
    void keyPress(int buttonValue);
    // Writes "mst_lcd> halt", clears the display and lets go of every callback.
    void halt();

    // Answer handlers, public so the queue's answers can be fed in directly.
    void displayAnswer(const QByteArray &answer);
    void wholeDisplayAcknowledge(const QByteArray &answer);

    bool hpzMode() const { return m_hpz; }
    QString caption() const { return m_hpz ? QStringLiteral("LCD [HPZ]") : QStringLiteral("LCD [QRX]"); }
    bool ready() const { return m_ready; }
    bool rebuildPending() const { return m_rebuild; }
    bool errorWaiting() const { return m_errorTimer->isActive(); }
    // A request of the loop waits for its answer.
    bool inFlight() const { return m_inFlight; }
    Lamp lamp() const { return m_lamp; }
    // The current screen, row-major, already mapped.
    const QByteArray &screen() const { return m_screen; }
    QByteArray row(int row) const { return m_screen.mid(row * Columns, Columns); }

    // Hooks.
    std::function<void(int row, const QByteArray &codes)> setRow;  // row 1..4
    std::function<void()> afterClear;
    std::function<void()> afterAnswer;
    std::function<void(Lamp lamp)> onLamp;
    std::function<void(const QString &caption)> onCaption;
    std::function<void(const QString &line)> log;

private:
    void setLamp(Lamp lamp);
    void showChangedRows();
    // The loop's request was refused or dropped: ask again after the error wait.
    void requestFailed(bool wholeDisplay);

    core::Channel *m_channel;
    bool m_hpz;
    bool m_ready = false;
    bool m_rebuild = false;
    bool m_inFlight = false;
    Lamp m_lamp = Lamp::Red;
    QByteArray m_screen = QByteArray(Cells, '\0');
    QByteArray m_shown = QByteArray(Cells, '\0');
    std::unique_ptr<core::Timer> m_errorTimer;
};

}  // namespace panels
