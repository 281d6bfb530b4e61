#include "window/learn_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "learn/capture_readers.h"
#include "learn/decoded_text.h"
#include "learn/identifier.h"
#include "plot/signal_plot.h"
#include "window/main_window.h"
#include "window/shown_text.h"

namespace kestrel {

// What a learn found: why nothing was learned, or the code and what it is.
struct LearnOutcome {
    std::string refusal;  // "" when a code was heard
    std::string code;     // Pronto text, as the driver gave it
    std::string heard;    // how it was heard: carrier, durations, repeats
    std::vector<std::string> decoded;
    std::vector<CatalogueEntry> entries;  // each entry once
    std::vector<std::string> nearest;     // with no entry: the nearest, nearest first
    std::vector<std::string> notes;       // device files that could not be indexed
};

// The display of the identifier: what the request routines report while
// codes are made is of no concern to the user who listens.
// The picture of the code heard, drawn as the signal view draws it.
class SignalPicture : public QWidget {
  public:
    explicit SignalPicture(QWidget* parent) : QWidget(parent) {}

    void Show(const std::string& text) {
        code_ = ReadProntoCode(text);
        setAccessibleDescription(text.empty() ? QString() : SignalCaption(code_));
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (code_) {
            QPainter painter(this);
            PaintSignal(painter, rect(), code_);
        }
    }

  private:
    Result<ProntoCode> code_ = Refused("");
};

namespace {

constexpr int kRowEntry = Qt::UserRole;  // an entry's place in the outcome; -1: no entry

std::string Plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

QString Shown(const std::string& text) {
    return ShownText(text, ReadingOf(text));
}

// How the capture was heard, in words.
std::string HeardText(const Identification& found) {
    const CleanSignal& signal = found.signal;
    int frames = 0;
    for (const CleanFrame& frame : signal.frames)
        frames += frame.count;
    std::string text =
        "Carrier " + (signal.carrierHz ? std::to_string(*signal.carrierHz) + " Hz" : "unknown") +
        ", " + Plural(static_cast<int64_t>(signal.heard), "duration", "durations") + " in " +
        Plural(frames, "frame", "frames") + "; marks " + std::to_string(signal.markExcessMicros) +
        " us longer, jitter " + std::to_string(signal.jitterMicros) + " us, " +
        Plural(signal.spikes, "blip", "blips") + ".";
    if (found.carrierDiffers) text += " The carrier is far from the protocol's.";
    return text;
}

}  // namespace

LearnDialog::LearnDialog(MainWindow& window, Transmitter* transmitter)
    : QDialog(&window), window_(window), transmitter_(transmitter) {
    setObjectName(QStringLiteral("learnDialog"));
    setWindowTitle(QStringLiteral("Kestrel: learn from remote"));
    setModal(false);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("learnStatus"));
    status_->setWordWrap(true);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("learnProgress"));
    progress_->setRange(0, 100);
    quality_ = new QLabel(this);
    quality_->setObjectName(QStringLiteral("learnQuality"));
    code_ = new QPlainTextEdit(this);
    code_->setObjectName(QStringLiteral("learnCode"));
    code_->setReadOnly(true);
    code_->setMaximumHeight(80);
    picture_ = new SignalPicture(this);
    picture_->setObjectName(QStringLiteral("learnPicture"));
    picture_->setMinimumSize(480, 140);
    decode_ = new QPlainTextEdit(this);
    decode_->setObjectName(QStringLiteral("learnDecode"));
    decode_->setReadOnly(true);
    decode_->setMaximumHeight(80);
    matches_ = new QListWidget(this);
    matches_->setObjectName(QStringLiteral("learnMatches"));
    matches_->setSelectionMode(QAbstractItemView::SingleSelection);
    listen_ = new QPushButton(QStringLiteral("Listen again"), this);
    listen_->setObjectName(QStringLiteral("learnListen"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("learnCancel"));
    showInWindow_ = new QPushButton(QStringLiteral("Show in window"), this);
    showInWindow_->setObjectName(QStringLiteral("learnShowInWindow"));
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("learnClose"));
    close_->setAutoDefault(false);

    const std::pair<QWidget*, const char*> names[] = {
        {status_, "Learn status"},       {progress_, "Listening progress"},
        {quality_, "Signal quality"},    {code_, "Learned Pronto code"},
        {picture_, "Learned signal"},    {decode_, "Decoded fields"},
        {matches_, "Catalogue entries"}, {cancel_, "Cancel learning"},
    };
    for (const auto& [control, name] : names)
        control->setAccessibleName(QString::fromLatin1(name));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {listen_, cancel_, showInWindow_})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addWidget(quality_);
    const auto caption = [this, layout](const char* text, QWidget* control) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setBuddy(control);
        layout->addWidget(label);
    };
    caption("Code heard:", code_);
    layout->addWidget(code_);
    layout->addWidget(picture_, 1);
    caption("It follows:", decode_);
    layout->addWidget(decode_);
    caption("Catalogue entries:", matches_);
    layout->addWidget(matches_);
    layout->addLayout(buttons);

    connect(listen_, &QPushButton::clicked, this, &LearnDialog::Listen);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        abort_.Ask();
        status_->setText(QStringLiteral("Cancelling\u2026"));
        cancel_->setEnabled(false);
    });
    connect(showInWindow_, &QPushButton::clicked, this, &LearnDialog::ShowInWindow);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(matches_, &QListWidget::currentRowChanged, this, &LearnDialog::UpdateButtons);
    connect(matches_, &QListWidget::itemDoubleClicked, this, &LearnDialog::ShowInWindow);
    UpdateButtons();
}

LearnDialog::~LearnDialog() {
    // The window has stopped the learn before it goes; this is the last guard.
    if (worker_.joinable()) {
        abort_.Ask();
        worker_.join();
    }
}

std::vector<ModelSource> LearnDialog::ModelsToName() const {
    const std::string& loaded = window_.LoadedModel();
    if (loaded.empty()) return window_.Models();
    return {{loaded, ModelFolder(window_.Models(), loaded, window_.programFolder())}};
}

void LearnDialog::Listen() {
    if (worker_.joinable() || window_.Ending()) return;
    const uint64_t generation = ++generation_;
    abort_.Reset();
    window_.HoldSending(true);
    sendingHeld_ = true;
    shown_.reset();
    status_->setText(
        QStringLiteral("Listening: point the remote at the transceiver and press a button."));
    progress_->setValue(0);
    progress_->show();
    quality_->clear();
    code_->clear();
    picture_->Show("");
    decode_->clear();
    matches_->clear();
    worker_ = std::thread([this, models = ModelsToName(), generation] {
        std::shared_ptr<LearnOutcome> outcome = Learn(models, generation);
        QMetaObject::invokeMethod(
            this, [this, generation, outcome] { Heard(generation, outcome); },
            Qt::QueuedConnection);
    });
    UpdateButtons();
}

std::shared_ptr<LearnOutcome> LearnDialog::Learn(const std::vector<ModelSource>& models,
                                                 uint64_t generation) {
    auto outcome = std::make_shared<LearnOutcome>();
    const LearnProgress progress = [this, generation](unsigned done, unsigned quality,
                                                      unsigned long carrierHz) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, done, quality, carrierHz] {
                if (generation == generation_ && worker_.joinable())
                    ShowProgress(done, quality, carrierHz);
            },
            Qt::QueuedConnection);
    };
    const Result<std::string> learned = transmitter_
                                            ? transmitter_->LearnPronto(abort_, progress)
                                            : Result<std::string>(Refused(kNoConnectionText));
    if (!learned) {
        outcome->refusal = learned.reason();
        return outcome;
    }
    outcome->code = *learned;

    // Each catalogue is indexed once, while the window stays on it.
    std::string key;
    for (const ModelSource& model : models)
        key += model.name + '\n' + model.folder + '\n';
    if (!identifier_ || key != indexed_) {
        indexed_.clear();
        identifier_ = std::make_unique<Identifier>();
        for (const ModelSource& model : models) {
            if (abort_.Asked()) {
                identifier_.reset();
                outcome->refusal = kLearnCancelledText;
                return outcome;
            }
            // A device file's own notes are the window's to show when it
            // loads the file; here only a file that gives no entries is.
            const Result<std::vector<Notice>> added =
                identifier_->AddModel(model.name, model.folder);
            if (!added) outcome->notes.push_back(added.reason());
        }
        indexed_ = key;
    }

    const Result<Capture> capture = CaptureOfPronto(outcome->code, {});
    if (!capture) {
        outcome->heard = "a text that is no Pronto code (" + capture.reason() + ").";
        return outcome;
    }
    const Identification found = identifier_->Identify(*capture);
    outcome->heard = HeardText(found);
    for (const HeardCode& code : found.codes) {
        for (const DecodedCode& decoded : code.decoded)
            outcome->decoded.push_back(DecodedText(decoded));
        for (const CatalogueEntry& entry : code.entries) {
            const bool known = std::any_of(
                outcome->entries.begin(), outcome->entries.end(),
                [&entry](const CatalogueEntry& other) { return other.Name() == entry.Name(); });
            if (!known) outcome->entries.push_back(entry);
        }
        for (const NearEntry& near : code.nearest) {
            outcome->nearest.push_back(near.entry->Name() + " (" +
                                       Plural(near.bits, "bit differs", "bits differ") + ")");
        }
    }
    return outcome;
}

void LearnDialog::ShowProgress(unsigned progress, unsigned quality, unsigned long carrierHz) {
    progress_->setValue(static_cast<int>(std::min(progress, 100u)));
    QString text = QStringLiteral("Signal quality %1 %").arg(std::min(quality, 100u));
    if (carrierHz > 0) text += QStringLiteral(", carrier %1 Hz").arg(carrierHz);
    quality_->setText(text);
}

void LearnDialog::Heard(uint64_t generation, const std::shared_ptr<LearnOutcome>& outcome) {
    if (generation != generation_ || !worker_.joinable()) return;  // stopped meanwhile
    worker_.join();  // it has posted this as its last act
    Ended();
    shown_ = outcome;
    progress_->hide();
    if (!outcome->refusal.empty()) {
        status_->setText(Shown(outcome->refusal));
        UpdateButtons();
        return;
    }
    status_->setText(QStringLiteral("Heard: ") + Shown(outcome->heard));
    code_->setPlainText(QString::fromLatin1(outcome->code));  // Pronto words are ASCII
    picture_->Show(outcome->code);
    QStringList lines;
    for (const std::string& decoded : outcome->decoded)
        lines << Shown(decoded);
    if (outcome->decoded.empty())
        lines << QStringLiteral("It follows none of the protocol's forms.");
    for (const std::string& note : outcome->notes)
        lines << Shown(note);
    decode_->setPlainText(lines.join('\n'));
    for (size_t i = 0; i < outcome->entries.size(); ++i) {
        auto* item = new QListWidgetItem(Shown(outcome->entries[i].Name()), matches_);
        item->setData(kRowEntry, static_cast<int>(i));
    }
    if (outcome->entries.empty()) {
        const auto add = [this](const QString& text) {
            auto* item = new QListWidgetItem(text, matches_);
            item->setData(kRowEntry, -1);
            item->setFlags(Qt::ItemIsEnabled);
        };
        add(QStringLiteral("no entry"));
        for (const std::string& near : outcome->nearest)
            add(QStringLiteral("nearest: ") + Shown(near));
    } else {
        matches_->setCurrentRow(0);
    }
    UpdateButtons();
}

void LearnDialog::Ended() {
    if (sendingHeld_) {
        sendingHeld_ = false;
        window_.HoldSending(false);
    }
    UpdateButtons();
}

void LearnDialog::Stop() {
    if (!worker_.joinable()) return;
    abort_.Ask();
    worker_.join();
    ++generation_;  // what the thread posted last is dropped
    Ended();
    progress_->hide();
    status_->setText(QString::fromLatin1(kLearnCancelledText));
}

void LearnDialog::done(int result) {
    Stop();
    QDialog::done(result);
}

void LearnDialog::UpdateButtons() {
    const bool listening = worker_.joinable();
    listen_->setEnabled(!listening);
    cancel_->setEnabled(listening && !abort_.Asked());
    const QListWidgetItem* item = matches_->currentItem();
    showInWindow_->setEnabled(!listening && item && item->data(kRowEntry).toInt() >= 0);
}

void LearnDialog::ShowInWindow() {
    const QListWidgetItem* item = matches_->currentItem();
    const int row = item ? item->data(kRowEntry).toInt() : -1;
    if (!shown_ || row < 0 || worker_.joinable()) return;
    const CatalogueEntry entry = shown_->entries[static_cast<size_t>(row)];
    const bool shown = window_.ShowCatalogueEntry(entry);
    if (window_.Ending()) return;
    status_->setText((shown ? QStringLiteral("The window shows ")
                            : QStringLiteral("The window could not show ")) +
                     Shown(entry.Name()) + QStringLiteral("."));
    window_.raise();
    window_.activateWindow();
}

}  // namespace kestrel
