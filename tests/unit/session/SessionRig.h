#pragma once

#include "core/Timer.h"
#include "core/Reports.h"
#include "session/RemoteSession.h"

#include <QRegularExpression>
#include <QStringList>

// A remote session control on virtual time, with a port and windows that
// write every call into one journal, so tests can check what happened in which order.
struct SessionRig {
    core::VirtualTime time;
    session::RemoteSession modem{time};
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
        auto &port = modem.port();
        port.openPort = [this](int n) { journal << QString("open %1").arg(n); return opens; };
        port.isConnected = [this] { return connected; };
        port.modemTestAndInit = [this](session::TextProc onReady) { journal << "testinit"; ready = onReady; };
        port.dial = [this](const QString &n, session::TextProc onLinked, session::TextProc onError) {
            journal << "dial " + n;
            if (refusesDial) {
                onError(QString());
                return false;
            }
            linked = onLinked;
            dialError = onError;
            if (!errorInsideDial.isEmpty()) onError(errorInsideDial);
            return true;
        };
        port.hangUp = [this] {
            journal << "hangup";
            if (dropsOnHangUp) connected = false;
        };
        port.sendString = [this](const QByteArray &b) { journal << "send " + QString::fromLatin1(b); return true; };
        port.closePort = [this] { journal << "close"; };
        auto &w = modem.windows();
        w.setGaugeMax = [this](int n) { gaugeMax = n; };
        w.setGaugePosition = [this](int n) { gaugePosition = n; };
        w.setTimeText = [this](const QString &t) { timeText = t; };
        w.hideLeds = [this] { journal << "hideleds"; };
        w.closePanel = [this] { journal << "closepanel"; };
        modem.transferHalt = [this] { journal << "transferhalt"; };
    }
    ~SessionRig() { core::reports().reset(); }

    // The entries of the journal that start with prefix.
    QStringList only(const QString &prefix) const { return journal.filter(QRegularExpression("^" + prefix)); }
};
