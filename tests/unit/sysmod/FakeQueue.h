#pragma once

#include "core/Bytes.h"
#include "core/Timer.h"
#include "core/Channel.h"
#include "sysmod/ParameterSetTarget.h"

#include <QList>

#include <functional>
#include <optional>

// The transfer queue as the transfer sees it, on virtual time, with a
// controller behind it: each request is answered after a short delay, in
// order, by the controller's side of the transfer. tamper may answer in the
// controller's place (an empty answer means silence).
struct FakeQueue : core::Channel {
    FakeQueue(core::VirtualTime &time, sysmod::ParameterSetTarget &target) : m_time(time), m_target(target) {}

    int member() const override { return Unrouted; }
    bool putTo(int, core::Request request) override
    {
        if (!linkUp) return false;
        const QByteArray &telegram = request.telegram;
        sent.append(telegram);
        sentAt.append(m_time.elapsedMs());
        const std::optional<QByteArray> replaced = tamper ? tamper(telegram) : std::nullopt;
        const QByteArray answer = replaced ? *replaced : m_target.answer(telegram);
        if (request.answerLength > 0 && !answer.isEmpty() && request.onAnswer)
            m_time.singleShot(answerDelayMs, [onAnswer = request.onAnswer, answer] { onAnswer(answer); });
        return true;
    }

    // How many requests of the given command went out (F1 cc, or FF 49 as 0x49).
    int count(int code) const
    {
        int n = 0;
        for (const QByteArray &t : sent) n += core::byteAt(t, 1) == code;
        return n;
    }

    // When the first request starting with F1 code / FF code went out; -1 if none.
    qint64 firstSentAt(int code) const
    {
        for (int i = 0; i < sent.size(); ++i)
            if (core::byteAt(sent[i], 1) == code) return sentAt[i];
        return -1;
    }

    QList<QByteArray> sent;
    QList<qint64> sentAt;
    bool linkUp = true;
    int answerDelayMs = 20;
    std::function<std::optional<QByteArray>(const QByteArray &telegram)> tamper;

    // A tamper that answers one command (F1 code, or FF 49 as 0x49) with the given bytes.
    static std::function<std::optional<QByteArray>(const QByteArray &)> replace(int code, const QByteArray &answer)
    {
        return [code, answer](const QByteArray &telegram) -> std::optional<QByteArray> {
            if (core::byteAt(telegram, 1) == code) return answer;
            return std::nullopt;
        };
    }

private:
    core::VirtualTime &m_time;
    sysmod::ParameterSetTarget &m_target;
};
