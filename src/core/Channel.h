#pragma once

#include "core/Transfer.h"

#include <QByteArray>

#include <functional>
#include <utility>

namespace core {

// Runs when a flush or a lost link took a request off the queue unanswered.
using DropProc = std::function<void()>;

// One request to the controller and how it ends. A request once queued ends
// exactly once: onAnswer gets its answer, or onDropped runs when a flush or a
// lost link took it off the queue unanswered. A request without an answer
// (answerLength 0) ends when it goes out.
struct Request {
    QByteArray telegram;
    int answerLength = 0;
    AnswerProc onAnswer;
    DropProc onDropped;
};

// The way to the controller: every request goes to the group member chosen
// for the whole program, unless its sender names another.
class Channel {
public:
    // The controller on the line itself, no group prefix.
    static constexpr int Unrouted = -1;

    virtual ~Channel() = default;
    // The member every request goes to now; Unrouted outside a group.
    virtual int member() const = 0;
    // Queues a request for a member; true when queued. A refused request
    // calls neither of its procedures.
    virtual bool putTo(int member, Request request) = 0;

    bool put(Request request) { return putTo(member(), std::move(request)); }
    bool put(int answerLength, AnswerProc onAnswer, const QByteArray &telegram, DropProc onDropped = {})
    {
        return put(Request{telegram, answerLength, std::move(onAnswer), std::move(onDropped)});
    }
};

// A chain of requests (a transfer, a fetch) keeps the member it started with,
// so a member chosen meanwhile never gets the rest of it.
class PinnedChannel : public Channel {
public:
    // Unrouted until pinned, so it may be made before the channel it wraps.
    explicit PinnedChannel(Channel &inner) : m_inner(inner) {}
    // Pins the member chosen now, at the start of a new chain.
    void pin() { m_member = m_inner.member(); }
    void pinTo(int member) { m_member = member; }
    int member() const override { return m_member; }
    bool putTo(int member, Request request) override { return m_inner.putTo(member, std::move(request)); }

private:
    Channel &m_inner;
    int m_member = Unrouted;
};

}  // namespace core
