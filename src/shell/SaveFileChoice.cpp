#include "SaveFileChoice.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace shell {

QString chooseFileToSave(const std::function<QString(const QString &proposed)> &choose,
                         const std::function<Overwrite(const QString &fileName)> &askOverwrite, const QString &proposed)
{
    QString offer = proposed;
    for (;;) {
        const QString fileName = choose ? choose(offer) : QString();
        if (fileName.isEmpty() || !QFileInfo::exists(fileName)) return fileName;
        switch (askOverwrite ? askOverwrite(fileName) : Overwrite::Cancel) {
        case Overwrite::Yes: return fileName;
        case Overwrite::No: offer = fileName; break;
        case Overwrite::Cancel: return {};
        }
    }
}

QString saveFileDialog(QWidget *parent, const QString &title, const QString &dir, const QString &filter,
                       const QString &suffix, const QString &proposed)
{
    QFileDialog dialog(parent, title, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the question with Cancel is ours
    if (!proposed.isEmpty()) dialog.selectFile(proposed);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

Overwrite askOverwriteQuestion(QWidget *parent, const QString &title, const QString &question)
{
    switch (QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::No)) {
    case QMessageBox::Yes: return Overwrite::Yes;
    case QMessageBox::No: return Overwrite::No;
    default: return Overwrite::Cancel;
    }
}

}  // namespace shell
