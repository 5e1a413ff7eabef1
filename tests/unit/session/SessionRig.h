#pragma once

#include "core/Timer.h"
#include "shell/Reports.h"
#include "shell/session/TModem.h"

#include <QRegularExpression>
#include <QStringList>

// A remote session control on virtual time, with a port and windows that
// write every call into one journal, so tests can check what happened in which order.
struct SessionRig {
    core::VirtualTime time;
    shell::TModem modem{time};
    QStringList journal;

    bool opens = true;
    bool connected = false;       // the port reports a modem connection
    bool dropsOnHangUp = true;    // a hang-up clears the connection
    bool refusesDial = false;     // a connection stands in data mode
    QString errorInsideDial;      // reported by Dial before it returns
    shell::TextProc ready, linked, dialError;
    int gaugeMax = -1, gaugePosition = -1;
    QString timeText;

    SessionRig()
    {
        shell::Reports().reset();
        shell::Reports().ReportDebug = [this](const QString &t) { journal << "debug " + t; };
        shell::Reports().ReportWrite = [this](const QString &t) { journal << "write " + t; };
        auto &port = modem.port;
        port.OpenPort = [this](int n) { journal << QString("open %1").arg(n); return opens; };
        port.IsConnected = [this] { return connected; };
        port.ModemTestAndInit = [this](shell::TextProc onReady) { journal << "testinit"; ready = onReady; };
        port.Dial = [this](const QString &n, shell::TextProc onLinked, shell::TextProc onError) {
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
        port.HangUp = [this] {
            journal << "hangup";
            if (dropsOnHangUp) connected = false;
        };
        port.SendString = [this](const QByteArray &b) { journal << "send " + QString::fromLatin1(b); return true; };
        port.ClosePort = [this] { journal << "close"; };
        auto &w = modem.windows;
        w.SetGaugeMax = [this](int n) { gaugeMax = n; };
        w.SetGaugePosition = [this](int n) { gaugePosition = n; };
        w.SetTimeText = [this](const QString &t) { timeText = t; };
        w.HideLeds = [this] { journal << "hideleds"; };
        w.ClosePanel = [this] { journal << "closepanel"; };
        modem.TransferHalt = [this] { journal << "transferhalt"; };
    }
    ~SessionRig() { shell::Reports().reset(); }

    // The entries of the journal that start with prefix.
    QStringList only(const QString &prefix) const { return journal.filter(QRegularExpression("^" + prefix)); }
};
