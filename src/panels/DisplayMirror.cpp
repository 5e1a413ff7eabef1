#include "DisplayMirror.h"

#include "core/Bytes.h"

namespace panels {

namespace {

const QByteArray ChangesTelegram("\xF2\x55\x05", 3);
const QByteArray WholeTelegram("\xF2\x55\x06", 3);
constexpr int ChangesAnswerLength = 16;
constexpr int ShortAnswerLength = 2;
constexpr int WholeAreaMarker = 0xFF;
constexpr int WholeAreaCount = 13;
constexpr int MaskCount = 8;
constexpr int AnswerBytes = 15;  // D0..D14 after the first answer byte

// The display's code page (the PC's OEM set): glyphs for 0..31 and 127..255.
const char16_t LowGlyphs[] = u" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
const char16_t HighGlyphs[] =
    u"⌂ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
    u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■ ";

}  // namespace

DisplayMirror::DisplayMirror(core::TimerFactory &timers, core::Channel &channel, bool hpzMode)
    : m_channel(&channel), m_hpz(hpzMode), m_errorTimer(timers.createTimer())
{
    m_errorTimer->setInterval(ErrorDelayMs);
    m_errorTimer->setCallback([this] {
        // A refused request is tried again after the wait.
        m_errorTimer->stop();
        pollStep();
    });
}

quint8 DisplayMirror::mapCode(quint8 code)
{
    switch (code) {
    case 8: return 30;
    case 9: return 31;
    case 10: return 24;
    case 11: return 25;
    }
    return code;
}

quint8 DisplayMirror::keyCode(int buttonValue, bool hpzMode)
{
    switch (buttonValue) {
    case EnterKey: return 1;
    case RightKey: return 2;
    case DownKey: return hpzMode ? 8 : 4;
    case UpKey: return hpzMode ? 16 : 8;
    case LeftKey: return hpzMode ? 4 : 16;
    }
    return 0;
}

QString DisplayMirror::displayText(const QByteArray &codes)
{
    QString out;
    out.reserve(codes.size());
    for (char c : codes) {
        const quint8 code = quint8(c);
        if (code < 32) out += QChar(LowGlyphs[code]);
        else if (code < 127) out += QLatin1Char(char(code));
        else out += QChar(HighGlyphs[code - 127]);
    }
    return out;
}

void DisplayMirror::makeReady()
{
    m_ready = true;
    m_rebuild = true;
}

void DisplayMirror::setLamp(Lamp lamp)
{
    m_lamp = lamp;
    if (onLamp) onLamp(lamp);
}

void DisplayMirror::pollStep()
{
    if (!m_ready) {
        setLamp(Lamp::Red);
        return;
    }
    if (m_errorTimer->isActive()) {
        setLamp(Lamp::Yellow);
        return;
    }
    setLamp(m_lamp == Lamp::Green ? Lamp::ButtonFace : Lamp::Green);
    if (!m_channel) return;
    if (m_rebuild) {
        m_inFlight = m_channel->put(ShortAnswerLength, [this](const QByteArray &a) { wholeDisplayAcknowledge(a); },
                                    WholeTelegram, [this] { requestFailed(true); });
        if (m_inFlight) m_rebuild = false;
    } else {
        m_inFlight = m_channel->put(ChangesAnswerLength, [this](const QByteArray &a) { displayAnswer(a); },
                                    ChangesTelegram, [this] { requestFailed(false); });
    }
    if (!m_inFlight) m_errorTimer->start();
}

void DisplayMirror::requestFailed(bool wholeDisplay)
{
    m_inFlight = false;
    if (wholeDisplay) m_rebuild = true;
    m_errorTimer->start();
}

void DisplayMirror::wholeDisplayAcknowledge(const QByteArray &)
{
    m_inFlight = false;
    if (m_ready && afterAnswer) afterAnswer();
}

void DisplayMirror::displayAnswer(const QByteArray &answer)
{
    m_inFlight = false;
    // An empty answer (or one starting with 0) ends the loop until the window is opened again.
    if (answer.isEmpty() || answer[0] == 0) return;
    const QByteArray d = answer.mid(1, AnswerBytes);
    bool changed = false;
    if (core::byteAt(d, 0) == WholeAreaMarker) {
        const int start = core::byteAt(d, 1);
        // A short answer writes only the characters it has.
        for (int k = 0; k < WholeAreaCount && 2 + k < d.size(); ++k)
            m_screen[(start + k) % Cells] = char(mapCode(quint8(d[2 + k])));
        changed = true;
    } else {
        int next = MaskCount;
        for (int m = 0; m < MaskCount && next < d.size(); ++m) {
            quint8 mask = core::byteAt(d, m);
            for (int bit = 0; mask && next < d.size(); ++bit, mask >>= 1) {
                if (!(mask & 1)) continue;
                const char code = char(mapCode(quint8(d[next++])));
                const int cell = m * 8 + bit;
                if (m_screen[cell] != code) {
                    m_screen[cell] = code;
                    changed = true;
                }
            }
        }
    }
    if (changed) showChangedRows();
    if (afterAnswer) afterAnswer();
}

void DisplayMirror::showChangedRows()
{
    for (int r = 0; r < Rows; ++r) {
        const QByteArray now = row(r);
        if (now != m_shown.mid(r * Columns, Columns) && setRow) setRow(r + 1, now);
    }
    m_shown = m_screen;
}

void DisplayMirror::clearDisplay()
{
    m_ready = false;
    setLamp(Lamp::Red);
    if (setRow)
        for (int r = 1; r <= Rows; ++r) setRow(r, QByteArray());
    if (afterClear) afterClear();
}

void DisplayMirror::setMode(bool hpz)
{
    m_hpz = hpz;
    if (onCaption) onCaption(caption());
}

void DisplayMirror::keyPress(int buttonValue)
{
    if (!m_ready || !m_channel) return;
    m_channel->put(ShortAnswerLength, nullptr, QByteArray("\xF2\x53", 2) + char(keyCode(buttonValue, m_hpz)));
}

void DisplayMirror::halt()
{
    if (log) log(QStringLiteral("mst_lcd> halt"));
    clearDisplay();
    afterClear = nullptr;
    afterAnswer = nullptr;
    m_channel = nullptr;
    m_errorTimer->stop();
}

}  // namespace panels
