#pragma once

#include "core/Timer.h"
#include "core/Transfer.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace protocol {

// The requests that several windows share, with their answer decoding, and
// what the controller last told about itself. Each call carries its caller's
// procedure with its own request, so two calls in a row each get their answer.
class TZBL_UTILS {
public:
    using TextProc = std::function<void(const QString &text)>;
    using DoneProc = std::function<void()>;

    TZBL_UTILS(core::TransferPutFn put, core::Clock &clock);

    void GetVersion(TextProc onText);
    // A one-character text: the top floor number as the character's code;
    // character 255 when it could not be read.
    void GetKo(TextProc onText);
    void GetKennung(TextProc onText);
    void GetTelefon(TextProc onText);
    // No answer procedure; false when the queue refused the request.
    bool SetKennung(const QString &text);
    bool SetTelefon(const QString &text);
    // "dd.MM.yy/hh:mm:ss" with blank-padded time fields.
    void GetClock(TextProc onText);
    // Sets the controller's clock to the PC's time and date.
    void SetClock(DoneProc onDone);
    void SelectAddress(quint16 address, DoneProc onDone);
    void SelectAndReadInfo(quint16 address, DoneProc onDone);
    void ReadBlock(DoneProc onDone);
    // Byte 1..13 of the last block read; 0 outside.
    quint8 BlockByte(int index) const;
    // Writes the four info bytes into dest at pos (growing it as needed);
    // returns the position behind them.
    int CopyInfoBytes(QByteArray &dest, int pos) const;
    // Flip a switch; onState gets the new state, "1" or "0".
    void ToggleSwitchA(TextProc onState);
    void ToggleSwitchB(TextProc onState);
    void SendStopGroup(core::AnswerProc onAnswer);
    void SendGroupFinish(core::AnswerProc onAnswer);
    QString SysErrorText(int kind, int code);

    QString VersionText() const { return m_versionText; }
    QString ClockText() const { return m_clockText; }
    QByteArray InfoBytes() const { return m_infoBytes; }
    QByteArray BlockData() const { return m_blockData; }
    quint16 SelectedAddress() const { return m_selectedAddress; }
    quint16 InfoWord() const { return m_infoWord; }
    QString LastErrorText() const { return m_lastErrorText; }

    std::function<void(const QString &text)> OnDateSent;  // told "date.send"

private:
    void getText(const QByteArray &telegram, TextProc onText);
    bool setText(quint8 field, const QString &text);
    void toggleSwitch(quint8 readCmd, quint8 setWhenOne, quint8 setOtherwise, TextProc onState);
    void sendDate(DoneProc onDone);
    void decodeInfo(const QByteArray &answer);
    bool put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram);

    core::TransferPutFn m_put;
    core::Clock &m_clock;
    QString m_versionText = QStringLiteral("??");
    QString m_clockText = QStringLiteral("??");
    QByteArray m_infoBytes = QByteArray(4, '\0');
    QByteArray m_blockData = QByteArray(14, '\0');  // index 0 unused
    quint16 m_selectedAddress = 0;
    quint16 m_infoWord = 0;
    QString m_lastErrorText;
};

}  // namespace protocol
