#include "ReadingVerifier.h"

namespace batch {

std::optional<QByteArray> agreedAnswer(const QList<QByteArray> &answers)
{
    for (qsizetype i = 0; i < answers.size(); ++i)
        for (qsizetype j = i + 1; j < answers.size(); ++j)
            if (answers[i] == answers[j]) return answers[i];
    return std::nullopt;
}

struct ReadingVerifier::Tally {
    core::Channel &inner;
    int member;
    core::Request request;
    QList<QByteArray> answers;
};

class ReadingVerifier::Verified : public core::Channel {
public:
    Verified(ReadingVerifier &verifier, core::Channel &inner) : m_verifier(verifier), m_inner(inner) {}
    int member() const override { return m_inner.member(); }
    bool putTo(int member, core::Request request) override
    {
        // Requests without an answer have nothing to compare.
        if (!m_verifier.m_enabled || request.answerLength == 0) return m_inner.putTo(member, std::move(request));
        return m_verifier.ask(std::make_shared<Tally>(Tally{m_inner, member, std::move(request), {}}));
    }

private:
    ReadingVerifier &m_verifier;
    core::Channel &m_inner;
};

ReadingVerifier::ReadingVerifier() = default;

ReadingVerifier::~ReadingVerifier() { *m_alive = false; }

core::Channel &ReadingVerifier::wrap(core::Channel &inner)
{
    m_channels.push_back(std::make_unique<Verified>(*this, inner));
    return *m_channels.back();
}

bool ReadingVerifier::ask(const std::shared_ptr<Tally> &tally)
{
    const std::weak_ptr<bool> alive = m_alive;
    const core::Request &request = tally->request;
    return tally->inner.putTo(tally->member,
                              core::Request{request.telegram, request.answerLength,
                                            [this, alive, tally](const QByteArray &answer) {
                                                if (const auto a = alive.lock(); a && *a) answered(tally, answer);
                                            },
                                            [tally] {
                                                if (tally->request.onDropped) tally->request.onDropped();
                                            }});
}

void ReadingVerifier::answered(const std::shared_ptr<Tally> &tally, const QByteArray &answer)
{
    tally->answers << answer;
    const std::optional<QByteArray> agreed = agreedAnswer(tally->answers);
    // A refused repetition leaves the requester waiting, as a refused first request does.
    if (!agreed && tally->answers.size() < MaxAsks) {
        if (onAskAgain) onAskAgain();
        ask(tally);
        return;
    }
    const core::AnswerProc onAnswer = std::move(tally->request.onAnswer);
    tally->request.onAnswer = nullptr;
    const std::weak_ptr<bool> alive = m_alive;
    m_failed = !agreed;
    if (onAnswer) onAnswer(agreed.value_or(QByteArray()));
    // The procedure may have ended the run and this object with it.
    if (const auto a = alive.lock(); a && *a) m_failed = false;
}

}  // namespace batch
