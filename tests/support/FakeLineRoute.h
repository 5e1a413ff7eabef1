#pragma once

#include "protocol/LineRoute.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <functional>

// The queue's way to the line, recorded: what went out, the answer procedures
// it was handed (oldest first), how often it was told to drop, and a link
// state the test sets.
struct FakeLineRoute final : protocol::LineRoute {
    void send(const QByteArray &telegram, core::AnswerProc onAnswer) override
    {
        sent << telegram;
        lastAnswer = onAnswer;
        onLine.push_back(std::move(onAnswer));
        if (whileSending) whileSending(telegram);
    }
    void drop() override { ++drops; }
    bool isLinked() const override { return linked; }

    QList<QByteArray> sent;
    std::deque<core::AnswerProc> onLine;
    core::AnswerProc lastAnswer;
    int drops = 0;
    bool linked = true;
    // Runs inside send, for a route that reacts at once.
    std::function<void(const QByteArray &telegram)> whileSending;
};
