#include "app/startup.h"

#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "transmitter/transmitter.h"
#include "window/ktl.h"

namespace kestrel {

void StartUp(KTL& window, Transmitter& transmitter,
             const std::vector<std::string>& settingsProblems) {
    window.optManual->setEnabled(false);
    window.FillModelList();
    window.show();
    for (const std::string& problem : settingsProblems)
        window.display().ShowMessage(problem);
    const Status opened = transmitter.OpenTransmitter();
    if (opened) return;
    window.display().ShowStatus(opened.reason() + " IR Transmission Disabled.", 3);
    window.Command1->setEnabled(false);
    window.Command3->setEnabled(false);
}

}  // namespace kestrel
