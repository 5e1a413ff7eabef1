#pragma once

#include <QByteArray>

#include <functional>

namespace core {

// An answer procedure: called once with the answer payload of a request.
using AnswerProc = std::function<void(const QByteArray &answer)>;

// How any unit puts a request into the transfer queue, without knowing the
// queue: true when queued. An answer length of 0 means no answer is expected.
using TransferPutFn = std::function<bool(int answerLength, AnswerProc onAnswer, const QByteArray &telegram)>;

}  // namespace core
