// haltron-sim: a stand-in lift controller (or group of up to four) on a
// pseudo-terminal or a serial device, speaking the 401 nibble line or, with
// --modem, a Hayes modem followed by the framed protocol.

#include "CommandSet.h"
#include "ControllerResets.h"
#include "Installation.h"
#include "Line401Partner.h"
#include "ModemPartner.h"
#include "PtyLine.h"

#include "core/Bytes.h"
#include "core/EventLoop.h"
#include "core/Timer.h"
#include "comlink/QtSerialLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

struct Options {
    bool pty = false;
    QString device;
    QString link;
    bool trace = false;
    sim::InstallationSetup installation;
    sim::PartnerOptions partner;
    bool silent = false;
    bool modem = false;
    sim::ModemOptions modemOptions;
    bool wrongHello = false;
    bool sysmodChecksumFault = false;
    int resetEveryMs = 0;
};

int fail(const QString &text)
{
    std::fprintf(stderr, "haltron-sim: %s\n", qPrintable(text));
    return 2;
}

bool parseInt(QCommandLineParser &parser, const QString &name, int low, int high, int &out, QString &error)
{
    if (!parser.isSet(name)) return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    out = value;
    return true;
}

bool parseFraction(QCommandLineParser &parser, const QString &name, double &out, QString &error)
{
    bool ok = true;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < 0.0 || value > 1.0) {
        error = QStringLiteral("--%1 wants a fraction from 0 to 1").arg(name);
        return false;
    }
    out = value;
    return true;
}

bool parseDialResult(const QString &text, sim::DialResult &out, QString &error)
{
    static const std::pair<const char *, sim::DialResult> names[] = {
        {"connect", sim::DialResult::Connect}, {"busy", sim::DialResult::Busy},
        {"nocarrier", sim::DialResult::NoCarrier}, {"none", sim::DialResult::None}};
    for (const auto &[name, result] : names) {
        if (text == QLatin1String(name)) {
            out = result;
            return true;
        }
    }
    error = QStringLiteral("--dial-result wants connect, busy, nocarrier or none");
    return false;
}

// Points the link name at the new pseudo-terminal; only a link (or nothing) may stand there.
bool makeLink(const QString &link, const QString &target, QString &error)
{
    const QFileInfo existing(link);
    if (existing.exists() || existing.isSymLink()) {
        if (!existing.isSymLink() || !QFile::remove(link)) {
            error = link + QStringLiteral(": exists and is not a link of ours");
            return false;
        }
    }
    if (!QFile::link(target, link)) {
        error = link + QStringLiteral(": cannot create the link");
        return false;
    }
    return true;
}

bool parseOptions(const QStringList &arguments, Options &options, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in lift controller on the 401 line."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("pty"), QStringLiteral("Serve a new pseudo-terminal; its path is the first line of output.")},
        {QStringLiteral("device"), QStringLiteral("Serve this serial device."), QStringLiteral("path")},
        {QStringLiteral("link"), QStringLiteral("With --pty: also make this symbolic link to it, so a restarted stand-in keeps one name."), QStringLiteral("path")},
        {QStringLiteral("lifts"), QStringLiteral("Lifts behind the group controller (1-4)."), QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("floors"), QStringLiteral("Floors of each lift (2-40)."), QStringLiteral("n"), QStringLiteral("8")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the installation's make-up and traffic."), QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("baud"), QStringLiteral("Line speed the replies are paced at."), QStringLiteral("n"), QStringLiteral("19200")},
        {QStringLiteral("traffic"), QStringLiteral("Mean seconds between passengers' calls per lift; 0: none."), QStringLiteral("s"), QStringLiteral("45")},
        {QStringLiteral("fault-minutes"), QStringLiteral("Mean minutes between new faults per lift; 0: none."), QStringLiteral("m"), QStringLiteral("20")},
        {QStringLiteral("stored-faults"), QStringLiteral("Records in each fault log at start (default: a few)."), QStringLiteral("n")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("noise"), QStringLiteral("Fraction of 401 reply bytes sent with one bit flipped (0-1)."), QStringLiteral("rate"), QStringLiteral("0")},
        {QStringLiteral("noise-seed"), QStringLiteral("Seed of the noise (default: --seed), so a noisy run can be repeated."), QStringLiteral("n")},
        {QStringLiteral("silent-after"), QStringLiteral("Fall silent when half of the n-th answer has gone out (401 line)."), QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("silent-seconds"), QStringLiteral("With --silent-after: seconds of silence, then back with a fresh line; 0: for good."), QStringLiteral("s"), QStringLiteral("0")},
        {QStringLiteral("reset-every"), QStringLiteral("The controller resets itself every s seconds (silent while it restarts)."), QStringLiteral("s"), QStringLiteral("0")},
        {QStringLiteral("wrong-hello"), QStringLiteral("Answer the greeting F1 00 with F1 02.")},
        {QStringLiteral("modem"), QStringLiteral("A modem in front: AT commands, then the framed protocol instead of the 401 line.")},
        {QStringLiteral("dial-seconds"), QStringLiteral("With --modem: seconds from the dial command to its result."), QStringLiteral("s"), QStringLiteral("2")},
        {QStringLiteral("dial-result"), QStringLiteral("With --modem: how every call ends: connect, busy, nocarrier or none (no reply)."), QStringLiteral("result"), QStringLiteral("connect")},
        {QStringLiteral("hangup-after"), QStringLiteral("With --modem: the carrier drops this many seconds after CONNECT (NO CARRIER)."), QStringLiteral("s"), QStringLiteral("0")},
        {QStringLiteral("nak"), QStringLiteral("With --modem: fraction of request frames refused with NAK (0-1)."), QStringLiteral("rate"), QStringLiteral("0")},
        {QStringLiteral("hangup-after-requests"), QStringLiteral("With --modem: the carrier drops once, right after the n-th request frame."), QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("sysmod-checksum-fault"), QStringLiteral("Serve the system module with a checksum word that does not match.")},
        {QStringLiteral("trace"), QStringLiteral("Write each request and its answer to standard error.")},
    });
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        std::exit(0);
    }
    options.pty = parser.isSet(QStringLiteral("pty"));
    options.device = parser.value(QStringLiteral("device"));
    options.link = parser.value(QStringLiteral("link"));
    if (options.pty == !options.device.isEmpty()) {
        error = QStringLiteral("give either --pty or --device PATH");
        return false;
    }
    int seed = 1, traffic = 45;
    options.installation.faultMinutes = 20;
    if (!parseInt(parser, QStringLiteral("lifts"), 1, 4, options.installation.lifts, error)
        || !parseInt(parser, QStringLiteral("floors"), 2, 40, options.installation.floors, error)
        || !parseInt(parser, QStringLiteral("seed"), 0, INT_MAX, seed, error)
        || !parseInt(parser, QStringLiteral("baud"), 50, 4000000, options.partner.baud, error)
        || !parseInt(parser, QStringLiteral("traffic"), 0, 86400, traffic, error)
        || !parseInt(parser, QStringLiteral("fault-minutes"), 0, 100000, options.installation.faultMinutes, error)
        || !parseInt(parser, QStringLiteral("stored-faults"), 0, sim::Lift::MaxFaults, options.installation.storedFaults, error))
        return false;
    // Another noise seed leaves the installation, and so the values it serves, as they are.
    int noiseSeed = seed;
    if (!parseInt(parser, QStringLiteral("noise-seed"), 0, INT_MAX, noiseSeed, error)) return false;
    options.installation.seed = quint32(seed);
    options.partner.seed = quint32(noiseSeed);
    options.installation.trafficSeconds = traffic;
    int hangupAfter = 0, dialSeconds = 2, silentSeconds = 0, resetEvery = 0;
    if (!parseInt(parser, QStringLiteral("silent-after"), 0, INT_MAX, options.partner.silentAfterAnswers, error)
        || !parseInt(parser, QStringLiteral("silent-seconds"), 0, 86400, silentSeconds, error)
        || !parseInt(parser, QStringLiteral("reset-every"), 0, 86400, resetEvery, error)
        || !parseInt(parser, QStringLiteral("hangup-after-requests"), 0, INT_MAX, options.modemOptions.hangupAfterRequests, error))
        return false;
    options.partner.silentMs = silentSeconds * 1000;
    options.resetEveryMs = resetEvery * 1000;
    if (!parseInt(parser, QStringLiteral("hangup-after"), 0, 86400, hangupAfter, error)
        || !parseInt(parser, QStringLiteral("dial-seconds"), 0, 120, dialSeconds, error)
        || !parseDialResult(parser.value(QStringLiteral("dial-result")), options.modemOptions.dialResult, error)
        || !parseFraction(parser, QStringLiteral("noise"), options.partner.noise, error)
        || !parseFraction(parser, QStringLiteral("nak"), options.modemOptions.nakRate, error))
        return false;
    options.modem = parser.isSet(QStringLiteral("modem"));
    options.modemOptions.hangupAfterMs = hangupAfter * 1000;
    options.modemOptions.baud = options.partner.baud;
    options.modemOptions.dialMs = dialSeconds * 1000;
    options.sysmodChecksumFault = parser.isSet(QStringLiteral("sysmod-checksum-fault"));
    options.modemOptions.seed = quint32(seed);
    options.modemOptions.partnerName = "QRX" + QByteArray::number(1000 + seed % 9000);
    options.silent = parser.isSet(QStringLiteral("silent"));
    options.wrongHello = parser.isSet(QStringLiteral("wrong-hello"));
    options.trace = parser.isSet(QStringLiteral("trace"));
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    core::useQtEventDispatcher();  // the stand-in answers every line byte too
    QCoreApplication app(argc, argv);
    Options options;
    QString error;
    if (!parseOptions(app.arguments(), options, error)) return fail(error);

    std::unique_ptr<comlink::SerialLine> line;
    QString where = options.device;
    if (options.pty) {
        auto pty = std::make_unique<sim::PtyLine>();
        if (!pty->open()) return fail(pty->errorText());
        where = pty->slavePath();
        if (!options.link.isEmpty() && !makeLink(options.link, where, error)) return fail(error);
        line = std::move(pty);
    } else {
        line = std::make_unique<comlink::QtSerialLine>(comlink::QtSerialLine::Handshake::None);
        if (!line->open(options.device, options.partner.baud))
            return fail(line->errorText());
        line->onError = [](const QString &text) {
            fail(text);
            QCoreApplication::exit(1);
        };
    }

    core::QtTimerFactory timers;
    sim::Installation installation(timers, options.installation);
    sim::CommandSet commands(installation);
    commands.setWrongHello(options.wrongHello);
    for (int i = 0; i < installation.liftCount(); ++i)
        installation.systemModule(i)->setCorruptChecksum(options.sysmodChecksumFault);
    auto trace = [](const sim::RoutedTelegram &request, const std::optional<QByteArray> &answer) {
        const QString lift = request.lift ? QString::number(*request.lift) : QStringLiteral("-");
        std::fprintf(stderr, "[%s] %s -> %s\n", qPrintable(lift), qPrintable(core::hexText(request.telegram)),
                     answer ? qPrintable(core::hexText(*answer)) : "(none)");
    };
    std::unique_ptr<sim::Line401Partner> line401;
    std::unique_ptr<sim::ModemPartner> modem;
    if (options.silent) {
        // A dead controller: what arrives is taken off the line and never answered.
        line->onReadyRead = [&line] { line->read(line->bytesAvailable()); };
    } else if (options.modem) {
        modem = std::make_unique<sim::ModemPartner>(*line, timers, commands, options.modemOptions);
        if (options.trace) modem->onRequest = trace;
    } else {
        line401 = std::make_unique<sim::Line401Partner>(*line, timers, commands, options.partner);
        if (options.trace) line401->onRequest = trace;
    }

    const sim::ControllerResets resets(timers, commands, options.resetEveryMs);

    std::printf("%s\n", qPrintable(where));
    std::fflush(stdout);
    return app.exec();
}
