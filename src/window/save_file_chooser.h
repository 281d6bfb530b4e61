// The save dialog CD2 that asks for the file a generate-all run writes.
#pragma once

#include <QString>
#include <string>

#include "window/main_window.h"

class QWidget;

namespace kestrel {

class WindowDisplay;

class DialogSaveFileChooser : public SaveFileChooser {
  public:
    // The dialog is shown over parent through display, so that Done and
    // the window's close still end the program while it is open.
    DialogSaveFileChooser(QWidget* parent, WindowDisplay& display);
    // Title "Select File name to save IR Data", the filters for text,
    // Pronto hex and Pronto CCF files (the first one selected), opening in
    // startText's folder or, when it is empty, in the folder a file was
    // last chosen in during this run, else in the user's documents folder
    // (else the home folder): never in the program's folder, which an
    // installed program's user cannot write to. The name comes back as
    // typed; "" when the user cancels.
    std::string GetSaveFileName(const std::string& startText) override;

    // Where the dialog opens next when startText is empty.
    QString StartFolder() const;

  private:
    QWidget* parent_;
    WindowDisplay& display_;
    QString lastFolder_;
};

}  // namespace kestrel
