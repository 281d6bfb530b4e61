// The save dialog CD2 that asks for the file a generate-all run writes.
#pragma once

#include <string>

#include "window/ktl.h"

class QWidget;

namespace kestrel {

class DialogSaveFileChooser : public SaveFileChooser {
  public:
    DialogSaveFileChooser(QWidget* parent, std::string programFolder);
    // Title "Select File name to save IR Data", the filters for text,
    // Pronto hex and Pronto CCF files (the first one selected), opening in
    // startText's folder or, when it is empty, the program's folder. The
    // name comes back as typed; "" when the user cancels.
    std::string GetSaveFileName(const std::string& startText) override;

  private:
    QWidget* parent_;
    std::string programFolder_;
};

}  // namespace kestrel
