#pragma once

#include "core/Timer.h"
#include "comlink/ComPort.h"
#include "comlink/HayesModem.h"
#include "comlink/FramedLink.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace comlink {

// The modem commands of the [Modem] section, read at every initialisation.
struct ModemSettings {
    QString i1, i2, i3;
    QString askModem = QStringLiteral("AT");
    QString echoOff = QStringLiteral("AT");
};

// The modem dialogue of the port window: initialisation and test, dialling,
// the synchronisation with the far end by SOH probes, the notification, the
// partner-name request, the carrier watch and the hang-up. The modem hears
// one conversation at a time: whatever is asked while the initialisation,
// the test or a hang-up runs waits until that has finished, because a
// character arriving while the modem dials aborts the call.
class ModemControl {
public:
    using TextProc = std::function<void(const QString &)>;

    static constexpr int InitWaitMs = 200;
    static constexpr int TestWaitMs = 1500;
    static constexpr int ReplyTimeoutMs = 3000;  // a modem that never says "OK"
    static constexpr int SyncStartMs = 200;
    static constexpr int SyncTickMs = 500;
    static constexpr int SyncProbes = 10;
    static constexpr int NotifyDelayMs = 500;
    static constexpr int CarrierWatchMs = 1000;
    static constexpr int DialCountdownSeconds = 45;

    static const QByteArray Notification;     // 03 0C 05 13
    static const QByteArray NameRequest;      // 04 28 FF 90 BA
    static const QByteArray NameAnswerHeader; // 28 FF 91

    ModemControl(ComPort &port, FramedLink &framedLink, core::TimerFactory &timers);
    ~ModemControl();
    ModemControl(const ModemControl &) = delete;
    ModemControl &operator=(const ModemControl &) = delete;

    void modemInit();
    void modemTest(TextProc onReady);
    void modemTestAndInit(TextProc onReady);
    // False (onError with an empty text) while a connection is in data mode.
    bool dial(const QString &number, TextProc onLinked, TextProc onError);
    void hangUp();
    void startSync();
    // The synchronisation test: link errors go to onError instead of a dial's.
    void startSyncTest(TextProc onError);
    // After the synchronisation: the notification, then (also a test button) the partner-name request.
    void notifyPartner();
    void requestPartnerName();
    // The dial test's count-down: "noch N sec" each second on the status label.
    void startDialCountdown();
    void stopDialogueTimer() { m_dialogueTimer->stop(); }

    // The name in a partner-name answer frame: its last two bytes removed,
    // then only "0".."z" kept (which drops the header bytes too).
    static QString partnerNameFromFrame(const QByteArray &frame);
    // A conversation with the modem (init, test, hang-up) is running.
    bool busy() const { return m_busy; }

    // Where the [Modem] keys come from; defaults when unset.
    std::function<ModemSettings()> readSettings;
    // The connection time label of the window.
    TextProc onTimerText;

    int syncTries() const { return m_syncTries; }
    const QByteArray &partnerName() const { return m_partnerName; }  // raw content of the last partner-name answer
    void setPartnerName(const QByteArray &value) { m_partnerName = value; }
    int dialogueTimerTag() const { return m_dialogueTimerTag; }

private:
    // Runs action now, or when the running conversation ends.
    void converse(std::function<void()> action, bool dial = false);
    void endConversation();
    void runInit(std::function<void()> then);
    void sendCommand(const QString &command);
    void beginTest(TextProc onReady);
    void testAfterWait();
    // Sends a test command; onOk follows its "OK", a reply time-out fails the test.
    void sendAwaitingOk(const QByteArray &command, std::function<void()> onOk);
    void testFirstOk();
    void testSecondOk();
    void finishTest(const QString &portText);
    void after(int ms, std::function<void()> step);
    void startDial(const QString &number, TextProc onLinked, TextProc onError);
    void onModemConnected();
    void onConnectFailed(const QString &reason);
    void startSyncAfterConnect();
    void syncTick();
    void syncReceive(int count);
    void syncFailed();
    void onNotified();
    void onPartnerName(const QByteArray &frame);
    void carrierTick();
    void releaseLine();
    void retarget(int ms, bool repeat, std::function<void()> handler);
    void setStatus(const QString &text);
    void linkError(const QString &text);

    ComPort &m_port;
    FramedLink &m_framedLink;
    HayesModem m_modem;
    std::unique_ptr<core::Timer> m_dialogueTimer;
    std::unique_ptr<core::Timer> m_stepTimer;   // the initialisation's waits and the test's reply time-out
    struct Waiting {
        bool dial;
        std::function<void()> action;
    };
    std::deque<Waiting> m_waiting;
    bool m_busy = false;
    TextProc m_onReady;
    QByteArray m_syncBuffer;

    int m_syncTries = 0;
    QByteArray m_partnerName;
    int m_dialogueTimerTag = 0;
};

}  // namespace comlink
