#include "app/startup.h"

#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "transmitter/transmitter.h"
#include "window/main_window.h"

namespace kestrel {

void StartUp(MainWindow& window, Transmitter& transmitter,
             const std::vector<std::string>& settingsProblems) {
    window.manualOption->setEnabled(false);
    window.FillModelList();
    window.show();
    for (const std::string& problem : settingsProblems)
        window.display().ShowMessage(problem);
    const Status opened = transmitter.OpenTransmitter();
    if (opened) return;
    window.display().ShowStatus(opened.reason() + " IR Transmission Disabled.", 3);
    window.hiddenSendButton->setEnabled(false);
    window.rangeSendButton->setEnabled(false);
}

}  // namespace kestrel
