#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// Writes a text file (folders made as needed).
inline void writeText(const QString &name, const QString &text)
{
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.toUtf8());
}

inline QStringList readLines(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList result = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty()) result.removeLast();
    return result;
}

// A test INI: data in the test's folder, help from the delivered data.
inline QString testIni(const QString &methode)
{
    return QStringLiteral(
               "[files]\nbase=\nSystemDir=$(BASE)\nDataDir=$(BASE)\nhelpdir=" HALTRON_DATA_DIR "/help\n"
               "helpfile=haltron.html\nlanguage=de.lng\n"
               "[logfiles]\nmainlogfile=$(BASE)/log/main.log\nlogonfile=$(BASE)/log/logon.log\nreports=0\n"
               "[Version Info Keys]\nFileVersion=1.6.1.0\n[Start]\nmethode=")
        + methode + QLatin1Char('\n');
}

inline const char *testLanguage() { return "[main]\n32=nicht verbunden\n33=verbunden\n[Id]\nversion=1.0\n"; }
