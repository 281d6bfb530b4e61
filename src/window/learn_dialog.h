// The learn dialog: "Learn from remote..." in the code box's context menu,
// beside "Show signal...". It listens through the transceiver for one
// press of a remote's button, then shows the code heard, its picture, the
// fields it decodes to and the catalogue entries that make it; "Show in
// window" picks the chosen entry in the window through the window's own
// handlers, so the window shows the catalogue's code for it.
//
// The driver's learn call blocks, so it runs on a thread of its own, which
// also names the code; what it finds comes back to the dialog through the
// event loop. While it listens the window sends nothing (the transceiver
// serves one call at a time). Cancel asks the driver to stop and the
// dialog shows why it stopped; Close, Done and the window's close stop it
// and wait for the thread, which ends soon after it is asked.
//
// The entries are those of the model the window shows, or of every model
// of its list when it shows none. Each catalogue is indexed once and kept
// while the window stays on the same model.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue.h"
#include "transmitter/transmitter.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kestrel {

class Identifier;
class MainWindow;
class SignalPicture;
struct LearnOutcome;

class LearnDialog : public QDialog {
  public:
    // A dialog of window's ("learnDialog") that learns through transmitter
    // (none: it says there is no transceiver).
    LearnDialog(MainWindow& window, Transmitter* transmitter);
    // Stops a learn still running and waits for its thread.
    ~LearnDialog() override;

    // Starts listening; nothing while a learn runs.
    void Listen();
    // Stops the learn that runs, if one does, and waits until its thread has
    // ended; the window may send again.
    void Stop();
    bool Listening() const { return worker_.joinable(); }

    // Closing the dialog (Close, Escape, its frame) stops the learn.
    void done(int result) override;

  private:
    // On the learning thread: the code heard and what it is.
    std::shared_ptr<LearnOutcome> Learn(const std::vector<ModelSource>& models,
                                        uint64_t generation);
    // The models whose entries name a code: the window's, or all it lists.
    std::vector<ModelSource> ModelsToName() const;
    // On the dialog's thread.
    void ShowProgress(unsigned progress, unsigned quality, unsigned long carrierHz);
    void Heard(uint64_t generation, const std::shared_ptr<LearnOutcome>& outcome);
    void Ended();
    void ShowInWindow();
    void UpdateButtons();

    MainWindow& window_;
    Transmitter* transmitter_;
    LearnAbort abort_;
    std::thread worker_;
    uint64_t generation_ = 0;  // of the learn whose reports are shown
    bool sendingHeld_ = false;
    // Used by the learning thread while it runs, by nobody else then.
    std::unique_ptr<Identifier> identifier_;
    std::string indexed_;  // the models identifier_ names, as a key
    std::shared_ptr<LearnOutcome> shown_;

    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* quality_ = nullptr;
    QPlainTextEdit* code_ = nullptr;
    SignalPicture* picture_ = nullptr;
    QPlainTextEdit* decode_ = nullptr;
    QListWidget* matches_ = nullptr;
    QPushButton* listen_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* showInWindow_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace kestrel
