#pragma once

#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>

namespace core {

// Replaces each built-in text by its numbered entry of the language file;
// an entry the file lacks comes back empty or as its own number and leaves
// the built-in text.
inline void takeLanguageEntries(const std::function<QString(int number)> &entry,
                                std::initializer_list<std::pair<int, QString *>> texts)
{
    for (const auto &[number, text] : texts) {
        const QString found = entry(number);
        if (!found.isEmpty() && found != QString::number(number)) *text = found;
    }
}

}  // namespace core
