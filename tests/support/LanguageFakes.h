#pragma once

// Language files for tests: one without entries, and one whose entries are
// made from their section and number (or word) by a pattern.

#include "core/LanguageTexts.h"

#include <QString>

#include <utility>

// A language file without entries: every entry reads as its own number (or word).
struct NumberTexts : core::LanguageTexts {
    QString text(const QString &, int number) const override { return QString::number(number); }
    QString text(const QString &, const QString &ident) const override { return ident; }
};

// Every entry reads as the pattern with %1 the section and %2 the number or
// word ("%1.%2" gives "main.14"); when onlySection is set, other sections have
// no entries, and an empty pattern means no entries at all.
struct PatternTexts : core::LanguageTexts {
    explicit PatternTexts(QString pattern = QStringLiteral("%1.%2"), QString onlySection = QString())
        : pattern(std::move(pattern)), onlySection(std::move(onlySection))
    {
    }
    QString pattern;
    QString onlySection;
    QString text(const QString &section, int number) const override { return text(section, QString::number(number)); }
    QString text(const QString &section, const QString &ident) const override
    {
        if (pattern.isEmpty() || (!onlySection.isEmpty() && section != onlySection)) return QString();
        return QString(pattern).replace(QLatin1String("%1"), section).replace(QLatin1String("%2"), ident);
    }
};
