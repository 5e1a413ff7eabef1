#pragma once

#include "core/Timer.h"
#include "core/Reports.h"
#include "session/RemoteSession.h"

#include <QRegularExpression>
#include <QStringList>

// A remote session control on virtual time. The rig is the session's line (a
// fake port, modem and queue) and listens to its windows' signals; both write
// every call into one journal, so tests can check what happened in which order.
struct SessionRig : session::SessionLine {
    core::VirtualTime time;
    session::RemoteSession modem{time, *this};
    QStringList journal;

    bool opens = true;
    bool connected = false;       // the port reports a modem connection
    bool dropsOnHangUp = true;    // a hang-up clears the connection
    bool refusesDial = false;     // a connection stands in data mode
    QString errorInsideDial;      // reported by Dial before it returns
    session::TextProc ready, linked, dialError;
    int gaugeMax = -1, gaugePosition = -1;
    QString timeText;

    SessionRig()
    {
        core::reports().reset();
        core::reports().reportDebug = [this](const QString &t) { journal << "debug " + t; };
        core::reports().reportWrite = [this](const QString &t) { journal << "write " + t; };
        QObject::connect(&modem, &session::RemoteSession::gaugeMaxChanged, [this](int n) { gaugeMax = n; });
        QObject::connect(&modem, &session::RemoteSession::gaugePositionChanged, [this](int n) { gaugePosition = n; });
        QObject::connect(&modem, &session::RemoteSession::timeTextChanged, [this](const QString &t) { timeText = t; });
        QObject::connect(&modem, &session::RemoteSession::ledsUnlinked, [this] { journal << "hideleds"; });
        QObject::connect(&modem, &session::RemoteSession::panelUnlinked, [this] { journal << "closepanel"; });
    }

    bool openPort(int n) override
    {
        journal << QString("open %1").arg(n);
        return opens;
    }
    bool isConnected() const override { return connected; }
    void modemTestAndInit(session::TextProc onReady) override
    {
        journal << "testinit";
        ready = onReady;
    }
    bool dial(const QString &n, session::TextProc onLinked, session::TextProc onError) override
    {
        journal << "dial " + n;
        if (refusesDial) {
            onError(QString());
            return false;
        }
        linked = onLinked;
        dialError = onError;
        if (!errorInsideDial.isEmpty()) onError(errorInsideDial);
        return true;
    }
    void hangUp() override
    {
        journal << "hangup";
        if (dropsOnHangUp) connected = false;
    }
    bool sendString(const QByteArray &b) override
    {
        journal << "send " + QString::fromLatin1(b);
        return true;
    }
    void closePort() override { journal << "close"; }
    void haltTransfers() override { journal << "transferhalt"; }
    ~SessionRig() { core::reports().reset(); }

    // The entries of the journal that start with prefix.
    QStringList only(const QString &prefix) const { return journal.filter(QRegularExpression("^" + prefix)); }
};
