#pragma once

#include "core/Channel.h"
#include "protocol/Codes.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <functional>

// The channel to the controller as its senders see it: requests wait in order
// and are answered one at a time by a controller function, as the real queue
// hands answers back later; dropAll() drops them as a flush does.
struct FakeChannel : core::Channel {
    std::function<QByteArray(const QByteArray &telegram)> controller;
    QList<QByteArray> sent;
    QList<int> answerLengths;
    int refuseAfter = -1;  // puts beyond this many are refused; -1: never
    int chosenMember = Unrouted;

    int member() const override { return chosenMember; }
    bool putTo(int member, core::Request request) override
    {
        if (refuseAfter >= 0 && sent.size() >= refuseAfter) return false;
        request.telegram = protocol::routedTo(member, request.telegram);
        sent << request.telegram;
        answerLengths << request.answerLength;
        m_pending.push_back(std::move(request));
        return true;
    }

    bool answerNext()
    {
        if (m_pending.empty()) return false;
        core::Request request = std::move(m_pending.front());
        m_pending.pop_front();
        const QByteArray answer = controller ? controller(request.telegram) : QByteArray();
        if (request.onAnswer) request.onAnswer(answer);
        return true;
    }
    int run(int limit = 100000)
    {
        int n = 0;
        while (n < limit && answerNext()) ++n;
        return n;
    }
    // Drops every waiting request as a flush does: each sender hears it once.
    int dropAll()
    {
        std::deque<core::Request> dropped;
        dropped.swap(m_pending);
        for (core::Request &request : dropped)
            if (request.onDropped) request.onDropped();
        return int(dropped.size());
    }
    int pending() const { return int(m_pending.size()); }

private:
    std::deque<core::Request> m_pending;
};

// A channel whose every put is a function the test gives: for tests that
// decide request by request what the queue does.
struct FunctionChannel : core::Channel {
    std::function<bool(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram)> onPut;

    int member() const override { return Unrouted; }
    bool putTo(int member, core::Request request) override
    {
        return onPut && onPut(request.answerLength, std::move(request.onAnswer), protocol::routedTo(member, request.telegram));
    }
};
