#include "launcher/program_watch.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace kestrel {
namespace {

// How often the end is looked for once the program has closed its
// standard error.
constexpr int kEndPollMilliseconds = 20;

class ProgramWatch : public QObject {
  public:
    ProgramWatch(QObject* owner, std::unique_ptr<StartedProgram> program, ProgramEndHandler onEnd)
        : QObject(owner), program_(std::move(program)), onEnd_(std::move(onEnd)) {
        timer_.setInterval(kEndPollMilliseconds);
        connect(&timer_, &QTimer::timeout, this, [this] { LookForEnd(); });
        if (program_->ErrorDescriptor() >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(program_->ErrorDescriptor(),
                                                          QSocketNotifier::Read);
            connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Read(); });
        } else {
            timer_.start();
        }
    }

  private:
    void Read() {
        notifier_->setEnabled(false);
        if (program_->ReadErrors()) {
            notifier_->setEnabled(true);
            return;
        }
        notifier_.reset();
        timer_.start();
        LookForEnd();
    }

    void LookForEnd() {
        const std::optional<ProgramEnd> end = program_->Ended();
        if (!end || !onEnd_) return;
        timer_.stop();
        const ProgramEndHandler onEnd = std::move(onEnd_);
        onEnd_ = nullptr;
        deleteLater();
        onEnd(*program_, *end);
    }

    std::unique_ptr<StartedProgram> program_;
    ProgramEndHandler onEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer timer_;
};

}  // namespace

void WatchProgram(QObject* owner, std::unique_ptr<StartedProgram> program,
                  ProgramEndHandler onEnd) {
    new ProgramWatch(owner, std::move(program), std::move(onEnd));
}

}  // namespace kestrel
