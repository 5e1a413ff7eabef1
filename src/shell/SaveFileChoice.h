#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace shell {

// The answer to "<file> exists. Overwrite?".
enum class Overwrite { Yes, No, Cancel };

// The choice of every "save as" of the program: a file that exists is taken
// only after Yes; No asks for another name (proposing the one refused); Cancel,
// or no name, gives an empty result and nothing is saved.
QString chooseFileToSave(const std::function<QString(const QString &proposed)> &choose,
                         const std::function<Overwrite(const QString &fileName)> &askOverwrite,
                         const QString &proposed = {});

// A save dialog that leaves the overwrite question to chooseFileToSave; empty when cancelled.
QString saveFileDialog(QWidget *parent, const QString &title, const QString &dir, const QString &filter,
                       const QString &suffix, const QString &proposed = {});

// The question with Yes, No and Cancel, No preselected.
Overwrite askOverwriteQuestion(QWidget *parent, const QString &title, const QString &question);

}  // namespace shell
