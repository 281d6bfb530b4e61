#include "launcher/launch_app.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kestrel {
namespace {

// The text of a file name or argument; false when its bytes would not reach
// the program unchanged (bytes that are not valid in the file system's
// encoding).
bool Decode(const std::string& bytes, QString& text) {
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text = QFile::decodeName(raw);
    return QFile::encodeName(text) == raw;
}

}  // namespace

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder, int64_t* processId) {
    QString programText;
    QString folderText;
    if (program.empty() || !Decode(program, programText) || !Decode(workingFolder, folderText)) {
        return false;
    }
    QStringList argumentTexts;
    for (const std::string& argument : arguments) {
        QString text;
        if (!Decode(argument, text)) return false;
        argumentTexts.append(text);
    }
    QProcess process;
    process.setProgram(programText);
    process.setArguments(argumentTexts);
    process.setWorkingDirectory(folderText);
    process.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) return false;
    if (processId) *processId = pid;
    return true;
}

}  // namespace kestrel
