#pragma once

#include "core/Timer.h"
#include "core/Channel.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace protocol {

// The requests that several windows share, with their answer decoding, and
// what the controller last told about itself. Each call carries its caller's
// procedure with its own request, so two calls in a row each get their answer.
class CommandLibrary {
public:
    using TextProc = std::function<void(const QString &text)>;
    using DoneProc = std::function<void()>;

    CommandLibrary(core::Channel &channel, core::Clock &clock);

    void getVersion(TextProc onText);
    // A one-character text: the top floor number as the character's code;
    // character 255 when it could not be read.
    void getTopFloor(TextProc onText);
    void getInstallationCode(TextProc onText);
    void getTelephone(TextProc onText);
    // No answer procedure; false when the queue refused the request.
    bool setInstallationCode(const QString &text);
    bool setTelephone(const QString &text);
    // "dd.MM.yy/hh:mm:ss" with blank-padded time fields.
    void getClock(TextProc onText);
    // Sets the controller's clock to the PC's time and date.
    void setClock(DoneProc onDone);
    // The steps of the memory reads. A step the queue refused or dropped runs
    // onFailed; without it, onDone runs with nothing read.
    void selectAddress(quint16 address, DoneProc onDone, DoneProc onFailed = {});
    void selectAndReadInfo(quint16 address, DoneProc onDone, DoneProc onFailed = {});
    void readBlock(DoneProc onDone, DoneProc onFailed = {});
    // Byte 1..13 of the last block read; 0 outside.
    quint8 blockByte(int index) const;
    // Writes the four info bytes into dest at pos (growing it as needed);
    // returns the position behind them.
    int copyInfoBytes(QByteArray &dest, int pos) const;
    // Flip a switch; onState gets the new state, "1" or "0".
    void toggleSwitchA(TextProc onState);
    void toggleSwitchB(TextProc onState);
    void sendStopGroup(core::AnswerProc onAnswer);
    void sendGroupFinish(core::AnswerProc onAnswer);
    QString sysErrorText(int kind, int code);

    QString versionText() const { return m_versionText; }
    QString clockText() const { return m_clockText; }
    QByteArray infoBytes() const { return m_infoBytes; }
    QByteArray blockData() const { return m_blockData; }
    quint16 selectedAddress() const { return m_selectedAddress; }
    quint16 infoWord() const { return m_infoWord; }
    QString lastErrorText() const { return m_lastErrorText; }

    std::function<void(const QString &text)> onDateSent;  // told "date.send"

private:
    void getText(const QByteArray &telegram, TextProc onText);
    bool setText(quint8 field, const QString &text);
    void toggleSwitch(quint8 readCmd, quint8 setWhenOne, quint8 setOtherwise, TextProc onState);
    void sendDate(DoneProc onDone);
    void decodeInfo(const QByteArray &answer);
    // Queues a request; a refused or dropped one runs onFailed. False when refused.
    bool put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram, DoneProc onFailed = {});

    core::Channel &m_channel;
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
