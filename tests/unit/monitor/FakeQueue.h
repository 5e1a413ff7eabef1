#pragma once

#include "core/Transfer.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <functional>

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

private:
    struct Pending { core::AnswerProc onAnswer; QByteArray telegram; };
    std::deque<Pending> m_pending;
};
