#include "CommandLibrary.h"

#include "Codes.h"
#include "core/Bytes.h"

namespace protocol {

namespace {

// Answer markers, by answer length.
constexpr quint8 ShortStatus = 0xF1;  // 2 bytes
constexpr quint8 CountMarker = 0xF4;  // 5 bytes
constexpr quint8 CounterMarker = 0xF8;  // 9 bytes
constexpr quint8 BlockMarker = 0xFD;  // 14 bytes

bool isAnswer(const QByteArray &answer, quint8 marker, int length)
{
    return answer.size() >= length && core::byteAt(answer, 0) == marker;
}

void tell(const CommandLibrary::TextProc &proc, const QString &text)
{
    if (proc) proc(text);
}

void tell(const CommandLibrary::DoneProc &proc)
{
    if (proc) proc();
}

QString failed() { return QString::fromLatin1(TransferFailedText); }
QString refused() { return QString::fromLatin1(TransferRefusedText); }

QByteArray withNibbles(quint8 cmd, quint16 value) { return core::bytes({0xF5, cmd}) + nibbles(value); }

}  // namespace

CommandLibrary::CommandLibrary(core::Channel &channel, core::Clock &clock) : m_channel(channel), m_clock(clock) {}

bool CommandLibrary::put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram, DoneProc onFailed)
{
    if (m_channel.put(answerLength, std::move(onAnswer), telegram, onFailed)) return true;
    tell(onFailed);
    return false;
}

void CommandLibrary::getVersion(TextProc onText)
{
    m_versionText = QStringLiteral("???");
    getText(core::bytes({0xF1, 0x01}), [this, onText](const QString &text) {
        m_versionText = text;
        tell(onText, text);
    });
}

void CommandLibrary::getTopFloor(TextProc onText)
{
    // Readers take the character's code as the floor number and 255 as "unread".
    const QString unread(QChar(0xFF));
    auto decode = [onText, unread](const QByteArray &answer) {
        tell(onText, isAnswer(answer, ShortStatus, 2) ? QString(QChar(core::byteAt(answer, 1))) : unread);
    };
    put(2, decode, core::bytes({0xF2, 0x55, 0x01}), [onText, unread] { tell(onText, unread); });
}

void CommandLibrary::getInstallationCode(TextProc onText) { getText(core::bytes({0xF2, 0x55, 0x12}), std::move(onText)); }

void CommandLibrary::getTelephone(TextProc onText) { getText(core::bytes({0xF2, 0x55, 0x14}), std::move(onText)); }

void CommandLibrary::getText(const QByteArray &telegram, TextProc onText)
{
    auto decode = [onText](const QByteArray &answer) { tell(onText, answerText(answer)); };
    put(16, decode, telegram, [onText] { tell(onText, refused()); });
}

bool CommandLibrary::setInstallationCode(const QString &text) { return setText(0x11, text); }

bool CommandLibrary::setTelephone(const QString &text) { return setText(0x13, text); }

bool CommandLibrary::setText(quint8 field, const QString &text)
{
    return put(2, {}, core::bytes({0xFF, 0x55, field}) + textField(text));
}

void CommandLibrary::getClock(TextProc onText)
{
    auto dateAnswer = [onText](quint16 time, const QByteArray &answer) {
        if (!isAnswer(answer, CountMarker, 5)) return tell(onText, failed());
        tell(onText, dateText(fromNibbles(answer, 1)) + QLatin1Char('/') + clockTimeText(time));
    };
    auto timeAnswer = [this, onText, dateAnswer](const QByteArray &answer) {
        if (!isAnswer(answer, CountMarker, 5)) return tell(onText, failed());
        const quint16 time = fromNibbles(answer, 1);
        auto next = [dateAnswer, time](const QByteArray &dateBytes) { dateAnswer(time, dateBytes); };
        put(5, next, core::bytes({0xF1, 0x35}), [onText] { tell(onText, refused()); });
    };
    put(5, timeAnswer, core::bytes({0xF1, 0x33}), [onText] { tell(onText, refused()); });
}

void CommandLibrary::setClock(DoneProc onDone)
{
    const QDateTime now = m_clock.now();
    m_clockText = now.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    auto timeAnswer = [this, onDone](const QByteArray &answer) {
        if (isAnswer(answer, CountMarker, 5)) sendDate(onDone);
        else tell(onDone);
    };
    put(5, timeAnswer, withNibbles(0x34, timeCode(now.time())), onDone);
}

void CommandLibrary::sendDate(DoneProc onDone)
{
    // The same day numbering as the date display, so a date set reads back unchanged.
    auto dateAnswer = [this, onDone](const QByteArray &answer) {
        if (isAnswer(answer, CountMarker, 5) && onDateSent) onDateSent(QStringLiteral("date.send"));
        tell(onDone);
    };
    put(5, dateAnswer, withNibbles(0x36, dateCode(m_clock.now().date())), onDone);
}

void CommandLibrary::selectAddress(quint16 address, DoneProc onDone, DoneProc onFailed)
{
    m_selectedAddress = address;
    put(5, [onDone](const QByteArray &) { tell(onDone); }, withNibbles(0x04, address), onFailed ? onFailed : onDone);
}

void CommandLibrary::selectAndReadInfo(quint16 address, DoneProc onDone, DoneProc onFailed)
{
    m_selectedAddress = address;
    auto infoAnswer = [this, onDone](const QByteArray &answer) {
        decodeInfo(answer);
        tell(onDone);
    };
    // A failed request reads nothing: zeros, not the values of the last read.
    const DoneProc failed = onFailed ? onFailed : [infoAnswer] { infoAnswer(QByteArray()); };
    auto selected = [this, infoAnswer, failed](const QByteArray &) { put(9, infoAnswer, core::bytes({0xF1, 0x0B}), failed); };
    put(5, selected, withNibbles(0x04, address), failed);
}

void CommandLibrary::decodeInfo(const QByteArray &answer)
{
    // A wrong answer leaves zeros rather than the values of another address.
    m_infoBytes.fill('\0');
    m_infoWord = 0;
    if (!isAnswer(answer, CounterMarker, 9)) return;
    for (int i = 1; i <= 4; ++i) m_infoBytes[i - 1] = char(fromNibblePair(answer, 2 * i - 1));
    m_infoWord = fromNibbles(answer, 1);
}

void CommandLibrary::readBlock(DoneProc onDone, DoneProc onFailed)
{
    m_blockData.fill('\0');
    auto blockAnswer = [this, onDone](const QByteArray &answer) {
        if (isAnswer(answer, BlockMarker, 14)) m_blockData.replace(1, 13, answer.mid(1, 13));
        tell(onDone);
    };
    put(14, blockAnswer, core::bytes({0xF1, 0x54}), onFailed ? onFailed : onDone);
}

quint8 CommandLibrary::blockByte(int index) const { return index >= 1 && index <= 13 ? core::byteAt(m_blockData, index) : 0; }

int CommandLibrary::copyInfoBytes(QByteArray &dest, int pos) const
{
    pos = qMax(0, pos);
    if (dest.size() < pos + 4) dest.resize(pos + 4, '\0');
    dest.replace(pos, 4, m_infoBytes);
    return pos + 4;
}

void CommandLibrary::toggleSwitchA(TextProc onState) { toggleSwitch(0x3A, 0x3C, 0x3B, std::move(onState)); }

void CommandLibrary::toggleSwitchB(TextProc onState) { toggleSwitch(0x26, 0x28, 0x27, std::move(onState)); }

void CommandLibrary::toggleSwitch(quint8 readCmd, quint8 setWhenOne, quint8 setOtherwise, TextProc onState)
{
    auto stateRead = [this, onState, setWhenOne, setOtherwise](const QByteArray &answer) {
        if (!isAnswer(answer, ShortStatus, 2)) return tell(onState, failed());
        const bool on = core::byteAt(answer, 1) == 1;
        const QString newState = on ? QStringLiteral("0") : QStringLiteral("1");
        auto stateSet = [onState, newState](const QByteArray &setAnswer) {
            tell(onState, isAnswer(setAnswer, ShortStatus, 2) ? newState : failed());
        };
        put(2, stateSet, core::bytes({0xF1, on ? setWhenOne : setOtherwise}), [onState] { tell(onState, refused()); });
    };
    put(2, stateRead, core::bytes({0xF1, readCmd}), [onState] { tell(onState, refused()); });
}

void CommandLibrary::sendStopGroup(core::AnswerProc onAnswer)
{
    put(2, onAnswer, core::bytes({0xF1, 0x46}), [onAnswer] { if (onAnswer) onAnswer(QByteArray(TransferRefusedText)); });
}

void CommandLibrary::sendGroupFinish(core::AnswerProc onAnswer)
{
    put(2, onAnswer, core::bytes({0xF1, 0x47}), [onAnswer] { if (onAnswer) onAnswer(QByteArray(TransferRefusedText)); });
}

QString CommandLibrary::sysErrorText(int kind, int code)
{
    m_lastErrorText = protocol::sysErrorText(kind, code);
    return m_lastErrorText;
}

}  // namespace protocol
