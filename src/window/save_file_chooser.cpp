#include "window/save_file_chooser.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace kestrel {

DialogSaveFileChooser::DialogSaveFileChooser(QWidget* parent, std::string programFolder)
    : parent_(parent), programFolder_(std::move(programFolder)) {}

std::string DialogSaveFileChooser::GetSaveFileName(const std::string& startText) {
    QFileDialog dialog(parent_, QStringLiteral("Select File name to save IR Data"));
    dialog.setObjectName(QStringLiteral("CD2"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The same dialog on every desktop, and no question before an existing
    // file is chosen.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = {QStringLiteral("Text (*.txt)"),
                                 QStringLiteral("Pronto HEX (*.hex)"),
                                 QStringLiteral("Pronto CCF (*.ccf)")};
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
    dialog.setDirectory(QFile::decodeName(
        QByteArray::fromStdString(startText.empty() ? programFolder_ : startText)));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    return QFile::encodeName(files.front()).toStdString();
}

}  // namespace kestrel
