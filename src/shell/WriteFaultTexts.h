#pragma once

#include "core/FileWrite.h"

namespace shell {

class Configuration;

// The reasons a file was not written, from the language file where it has them.
core::WriteFaultTexts writeFaultTexts(const Configuration &config);

// "<reason>" of a failed write in the user's words, empty when it succeeded.
QString writeFaultText(const Configuration &config, const core::WriteOutcome &outcome);

}  // namespace shell
