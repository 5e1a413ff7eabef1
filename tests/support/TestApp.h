#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

// The application object and event-loop waits shared by the tests that need Qt's loop.
namespace testsupport {

// One application object (QCoreApplication or QApplication) for the whole test
// process; it lives to the end of the process, so widgets may outlive a test.
template <class App = QCoreApplication>
App &testApp()
{
    static int argc = 1;
    static char name[] = "haltron_test";
    static char *argv[] = {name, nullptr};
    static auto *instance = new App(argc, argv);
    return *instance;
}

// Runs the event loop until done() holds or limitMs pass; done() at the end.
inline bool waitFor(const std::function<bool()> &done, int limitMs = 2000)
{
    QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace testsupport
