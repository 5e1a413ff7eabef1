#pragma once

#include <QString>

namespace core {

// The texts of the language file as the lower layers ask for them: an entry by
// its section and number. The configuration holds the file.
class LanguageTexts {
public:
    virtual ~LanguageTexts() = default;
    virtual QString text(const QString &section, int number) const = 0;
    // An entry named by a word ("final_notify_string") or a number written out; empty when missing.
    virtual QString text(const QString &section, const QString &ident) const = 0;
};

}  // namespace core
