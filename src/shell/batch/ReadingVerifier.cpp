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
    core::TransferPutFn inner;
    int answerLength = 0;
    core::AnswerProc onAnswer;
    QByteArray telegram;
    QList<QByteArray> answers;
};

ReadingVerifier::ReadingVerifier() = default;

ReadingVerifier::~ReadingVerifier() { *m_alive = false; }

core::TransferPutFn ReadingVerifier::wrap(core::TransferPutFn inner)
{
    return [this, inner = std::move(inner)](int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram) {
        // Requests without an answer have nothing to compare.
        if (!m_enabled || answerLength == 0) return inner && inner(answerLength, std::move(onAnswer), telegram);
        return ask(std::make_shared<Tally>(Tally{inner, answerLength, std::move(onAnswer), telegram, {}}));
    };
}

bool ReadingVerifier::ask(const std::shared_ptr<Tally> &tally)
{
    if (!tally->inner) return false;
    const std::weak_ptr<bool> alive = m_alive;
    return tally->inner(tally->answerLength,
                        [this, alive, tally](const QByteArray &answer) {
                            if (const auto a = alive.lock(); a && *a) answered(tally, answer);
                        },
                        tally->telegram);
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
    const core::AnswerProc onAnswer = std::move(tally->onAnswer);
    tally->onAnswer = nullptr;
    const std::weak_ptr<bool> alive = m_alive;
    m_failed = !agreed;
    if (onAnswer) onAnswer(agreed.value_or(QByteArray()));
    // The procedure may have ended the run and this object with it.
    if (const auto a = alive.lock(); a && *a) m_failed = false;
}

}  // namespace batch
