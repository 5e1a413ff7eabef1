#pragma once

#include "core/Bytes.h"
#include "core/Transfer.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <functional>

// A healthy lift with top floor 4: the hello, the lift state, the
// call lamps, the three configuration blocks and the counters.
inline QByteArray healthyLift(const QByteArray &t)
{
    using core::bytes;
    if (t == bytes({0xF1, 0x00})) return bytes({0xF1, 0x01});
    if (t == bytes({0xF1, 0x60})) return bytes({0xF6, 0x00, 0x03, 0xFF, 0x00, 0x00, 0x00});
    if (t == bytes({0xF3, 0x55, 0x1C, 0x00})) return bytes({0xF9, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    if (t == bytes({0xF3, 0x55, 0x1A, 0x00})) return bytes({0xFF, 0x04, 0x05, 0x07, 0x07, 0x07, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    if (t.startsWith(bytes({0xF3, 0x55, 0x1A}))) return bytes({0xFF}) + QByteArray(15, '\0');
    return bytes({0xF8, 0, 0, 0, 1, 0, 0, 0, 2});
}

// A transfer queue stand-in: requests wait in order and are answered one at a time
// by a controller function, as the real queue hands answers back later.
struct FakeQueue {
    std::function<QByteArray(const QByteArray &telegram)> controller;
    QList<QByteArray> sent;
    QList<int> answerLengths;
    int refuseAfter = -1;  // puts beyond this many are refused; -1: never

    core::TransferPutFn putFn()
    {
        return [this](int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram) {
            if (refuseAfter >= 0 && sent.size() >= refuseAfter) return false;
            sent << telegram;
            answerLengths << answerLength;
            m_pending.push_back({std::move(onAnswer), telegram});
            return true;
        };
    }

    bool answerNext()
    {
        if (m_pending.empty()) return false;
        auto [onAnswer, telegram] = m_pending.front();
        m_pending.pop_front();
        const QByteArray answer = controller ? controller(telegram) : QByteArray();
        if (onAnswer) onAnswer(answer);
        return true;
    }
    int run(int limit = 100000)
    {
        int n = 0;
        while (n < limit && answerNext()) ++n;
        return n;
    }
    int pending() const { return int(m_pending.size()); }
    // Drops every waiting request without an answer, as the queue's flush does.
    void flush() { m_pending.clear(); }

private:
    struct Pending { core::AnswerProc onAnswer; QByteArray telegram; };
    std::deque<Pending> m_pending;
};
