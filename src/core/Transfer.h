#pragma once

#include <QByteArray>

#include <functional>

namespace core {

// An answer procedure: called once with the answer payload of a request.
using AnswerProc = std::function<void(const QByteArray &answer)>;

}  // namespace core
