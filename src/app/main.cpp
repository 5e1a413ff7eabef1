// Program entry: configuration first, then the windows in their fixed order,
// the start settings, the message loop, the orderly shutdown and the closing
// lines of the logs.
#include "app/Haltron.h"
#include "core/EventLoop.h"
#include "panels/DisplayMirrorWindow.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalSocket[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalSocket[0], &byte, 1);
}

// SIGINT and SIGTERM run the same orderly shutdown as the exit button, so the
// logs are complete when the program is ended from a terminal or a service
// manager. The handlers are installed first thing; a signal that comes early
// waits in the socket until the message loop runs.
void catchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSocket) != 0) return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void quitOnSignals(shell::Program &program)
{
    if (g_signalSocket[1] < 0) return;
    auto *notifier = new QSocketNotifier(g_signalSocket[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&program] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalSocket[1], &byte, 1);
        program.quit();
    });
}

// The INI delivered with the program: the data folder beside build/haltron,
// or share/haltron beside an installed bin/haltron.
QString deliveredIni(const QString &programFile)
{
    const QDir dir = QFileInfo(programFile).absoluteDir();
    for (const char *relative : {"../data/haltron.ini", "../share/haltron/haltron.ini"}) {
        const QString candidate = QDir::cleanPath(dir.absoluteFilePath(QLatin1String(relative)));
        if (QFileInfo(candidate).isFile()) return candidate;
    }
    return {};
}

shell::StartEnvironment startEnvironment(int argc, char **argv)
{
    shell::StartEnvironment env;
    for (int i = 0; i < argc; ++i) env.arguments << QString::fromLocal8Bit(argv[i]);
    env.workingDir = QDir::currentPath();
    env.homeDir = QDir::homePath();
    QString programFile = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (programFile.isEmpty() && argc > 0) programFile = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath();
    env.deliveredIni = deliveredIni(programFile);
    return env;
}

// A message box only where someone can see it; without a display the Qt
// platform would abort before the message on standard error is read.
bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return false;
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

int reportNoIni(const QString &message, int argc, char **argv)
{
    std::fprintf(stderr, "haltron: %s\n", qPrintable(message));
    if (hasDisplay()) {
        QApplication app(argc, argv);
        QMessageBox::critical(nullptr, QStringLiteral("Haltron"), message);
    }
    return 2;
}

void placeLcdBeside(app::Haltron &haltron)
{
    haltron.openLcd();
    QWidget *lcd = haltron.lcdWindow();
    if (!lcd) return;
    const QWidget &main = haltron.program().mainWindow();
    lcd->adjustSize();
    lcd->move(main.frameGeometry().right() + 8, main.frameGeometry().top());
}

// Both windows on one picture, side by side on a plain background.
QPixmap besideEachOther(QWidget &left, QWidget &right)
{
    const QPixmap a = left.grab(), b = right.grab();
    const qreal ratio = a.devicePixelRatio();
    const int gap = 12;
    QPixmap out(QSize(a.width() + gap + b.width(), qMax(a.height(), b.height())));
    out.fill(QColor(0x30, 0x30, 0x30));
    QPainter painter(&out);
    painter.drawPixmap(0, 0, a);
    painter.drawPixmap(a.width() + gap, 0, b);
    painter.end();
    out.setDevicePixelRatio(ratio);
    return out;
}

// HALTRON_SCREENSHOT=file.png saves the main window after HALTRON_SCREENSHOT_DELAY ms
// (8000) and ends the program in order: scripts/screenshots renews the README's picture.
// With HALTRON_SCREENSHOT_LCD set the display mirror opens halfway and stands
// beside the main window in the picture.
void scheduleScreenshot(app::Haltron &haltron)
{
    shell::Program &program = haltron.program();
    const QString file = qEnvironmentVariable("HALTRON_SCREENSHOT");
    if (file.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("HALTRON_SCREENSHOT_DELAY", &ok);
    if (!ok || delay < 0) delay = 8000;
    const bool withLcd = qEnvironmentVariableIsSet("HALTRON_SCREENSHOT_LCD");
    if (withLcd) QTimer::singleShot(delay / 2, &program.mainWindow(), [&haltron] { placeLcdBeside(haltron); });
    QTimer::singleShot(delay, &program.mainWindow(), [&haltron, &program, file, withLcd] {
        QWidget *lcd = haltron.lcdWindow();
        const QPixmap picture = withLcd && lcd && lcd->isVisible() ? besideEachOther(program.mainWindow(), *lcd)
                                                                   : program.mainWindow().grab();
        if (!picture.save(file)) std::fprintf(stderr, "haltron: %s not written\n", qPrintable(file));
        program.quit();
    });
}

// HALTRON_QUIT_WHEN_SHOWN: as soon as the event loop runs with the main window
// shown, the program says "shown" on its standard output and ends in order;
// scripts/bench times the start-up up to that line.
void scheduleQuitWhenShown(shell::Program &program)
{
    if (!qEnvironmentVariableIsSet("HALTRON_QUIT_WHEN_SHOWN")) return;
    QTimer::singleShot(0, &program.mainWindow(), [&program] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        program.quit();
    });
}

// HALTRON_PALETTE=dark shows the program as under a dark desktop theme (the
// screenshots use it): Qt's Fusion style with a dark palette, as a theme sets it.
void applyPaletteFromEnvironment()
{
    if (qEnvironmentVariable("HALTRON_PALETTE") != QLatin1String("dark")) return;
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette dark;
    const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe6, 0xe6, 0xe6), mid(0x3c, 0x3c, 0x3c);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, mid);
    dark.setColor(QPalette::ToolTipBase, QColor(0x44, 0x44, 0x30));
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, mid);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::white);
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x46, 0x46, 0x46));
    dark.setColor(QPalette::Mid, QColor(0x32, 0x32, 0x32));
    dark.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x6c, 0xb0, 0xff));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    QApplication::setPalette(dark);
}

}  // namespace

int main(int argc, char **argv)
{
    catchSignals();
    core::useQtEventDispatcher();
    core::QtTimerFactory timers;
    app::Haltron haltron(timers);
    shell::Program &program = haltron.program();
    if (!haltron.initModules(startEnvironment(argc, argv))) return reportNoIni(program.noIniMessage(), argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("haltron"));
    QApplication::setApplicationDisplayName(QStringLiteral("Monitor 4 QRx und HPz"));
    applyPaletteFromEnvironment();

    program.quitApplication = [] { QCoreApplication::exit(0); };
    haltron.createWindows();
    haltron.applyStartSettings();
    program.mainWindow().showStartWindow();
    quitOnSignals(program);
    scheduleScreenshot(haltron);
    scheduleQuitWhenShown(program);

    app.exec();
    if (!program.controller().quitDone()) {
        // Closed through the window frame: the shutdown still runs, in its own loop for the port pause.
        program.quit();
        if (!program.controller().quitDone()) app.exec();
    }
    program.finalize();
    // Scripts that visit many installations read the batch run's outcome here.
    return haltron.exitStatus();
}
