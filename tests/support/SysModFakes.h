#pragma once

// The line under a parameter-set transfer, for tests.

#include "sysmod/TransferLine.h"

#include <QList>

#include <functional>
#include <utility>

// Counts flushes and passes them to the test's queue, when it has one; the
// line driver's answer time-out goes to the test's driver, or is a number kept
// here. Every time-out set is recorded.
struct FakeTransferLine : sysmod::TransferLine {
    std::function<void()> flush;
    std::function<int(int newMs)> swap;
    int flushes = 0;
    int lineTimeout = 800;
    QList<int> lineTimeouts;
    void transferFlush() override
    {
        ++flushes;
        if (flush) flush();
    }
    int swapLineTimeout(int newMs) override
    {
        lineTimeouts << newMs;
        return swap ? swap(newMs) : std::exchange(lineTimeout, newMs);
    }
};
