// haltron-bare-window: the floor for the program's start-up time. A bare Qt
// Widgets window with a menu bar, a status bar and a few buttons is shown and
// as soon as the event loop runs it says "shown" and ends, as the program does
// under HALTRON_QUIT_WHEN_SHOWN.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("Datei"));
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    for (int i = 0; i < 4; ++i) layout->addWidget(new QPushButton(QStringLiteral("Knopf %1").arg(i)));
    window.setCentralWidget(central);
    window.statusBar()->showMessage(QStringLiteral("bereit"));
    window.show();
    QTimer::singleShot(0, &app, [] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
