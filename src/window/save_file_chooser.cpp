#include "window/save_file_chooser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include "window/window_display.h"

namespace kestrel {

DialogSaveFileChooser::DialogSaveFileChooser(QWidget* parent, WindowDisplay& display)
    : parent_(parent), display_(display) {}

QString DialogSaveFileChooser::StartFolder() const {
    if (!lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir()) return lastFolder_;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

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
    dialog.setDirectory(startText.empty()
                            ? StartFolder()
                            : QFile::decodeName(QByteArray::fromStdString(startText)));
    if (display_.Run(dialog) != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    lastFolder_ = QFileInfo(files.front()).absolutePath();
    return QFile::encodeName(files.front()).toStdString();
}

}  // namespace kestrel
