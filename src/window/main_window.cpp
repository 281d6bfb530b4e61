#include "window/main_window.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <iterator>
#include <utility>

#include "catalogue/file_formats.h"
#include "export/generate_all.h"
#include "launcher/launch_app.h"
#include "launcher/program_watch.h"
#include "learn/catalogue_index.h"
#include "transmitter/transmitter.h"
#include "window/learn_dialog.h"
#include "window/save_file_chooser.h"
#include "window/shown_text.h"
#include "window/signal_view.h"
#include "window/window_display.h"

namespace kestrel {
namespace {

// The design is in twips: 15 to a pixel at 96 dots an inch (Qt scales
// pixels for other densities).
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}
QRect Twips(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

const QColor kLightCyan(128, 255, 255);
const QColor kTeal(0, 192, 192);
const QColor kLightRed(255, 128, 128);
const QColor kSilver(192, 192, 192);

// The design's fonts first, then the closest ones Debian provides.
QFont DesignFont(const QStringList& families, double points, QFont::Weight weight) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}
const QStringList kSansSerif = {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans",
                                "DejaVu Sans"};
QFont DefaultFont() {
    return DesignFont(kSansSerif, 8.25, QFont::Normal);
}
QFont BoldFont(double points) {
    return DesignFont(kSansSerif, points, QFont::Bold);
}

const char* const kManualInstructions =
    "Enter either a decinal or hex number for the function code "
    "(8324 Decimal for Remote). "
    " Enter a number or character for the value parameter and set the proper option (ascii, "
    "hex, decimal) based upon the item entered. "
    " Click 'IR Gen' to produce the desired IR Hex pattern. ";

// Typed text as the core's bytes; the handlers refuse characters beyond
// Latin-1 before they use a box (TypedTextFits).
std::string Latin1(const QString& text) {
    return text.toLatin1().toStdString();
}

// A list item showing text as reading reads it, shortened when it is long;
// the bytes are kept with the item.
void AddItem(QListWidget* list, const std::string& text, Reading reading) {
    auto* item = new QListWidgetItem(ShownText(text, reading), list);
    item->setData(Qt::UserRole, QByteArray::fromStdString(text));
}

// The bytes of an item added by AddItem.
std::string ItemText(const QListWidgetItem* item) {
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

void Paint(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

// The send indicator: a small red circle.
class LedShape : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::red);
        painter.drawEllipse(rect().adjusted(0, 0, -1, -1));
    }
};

// Unchecks an option button of an exclusive group.
void Deselect(QRadioButton* option) {
    if (!option->isChecked()) return;
    QButtonGroup* group = option->group();
    group->setExclusive(false);
    option->setChecked(false);
    group->setExclusive(true);
}

// Option buttons form a group per container. Explicit groups, because Qt's
// automatic grouping also takes in the option buttons of nested frames.
void Group(QWidget* owner, std::initializer_list<QRadioButton*> options) {
    auto* group = new QButtonGroup(owner);
    for (QRadioButton* option : options)
        group->addButton(option);
}

}  // namespace

// The window's fields over its live widgets. A code box shows its text as
// the device file is read, shortened when it is long (see shown_text.h);
// the bytes are kept with the box for as long as the box shows what was
// set, so the core reads back exactly what it wrote unless the user has
// changed the box since. The output box shows its code whole.
class MainWindow::Fields : public WindowFields {
  public:
    explicit Fields(MainWindow& window) : w_(window) {}

    std::string Text(Box box) const override {
        if (box == Box::Output) return Latin1(w_.outputBox->toPlainText());
        const QLineEdit* edit = Edit(box);
        return Whole(edit, edit->text());
    }

    // The first character typed into box that Latin-1 cannot hold; 0 when
    // there is none or the box shows what the window set.
    char32_t BeyondLatin1(Box box) const {
        const QLineEdit* edit = Edit(box);
        return edit->property(kShown).toString() == edit->text() ? 0
                                                                 : FirstBeyondLatin1(edit->text());
    }

    void SetText(Box box, const std::string& text) override {
        if (box == Box::Output) {
            const QString code = QString::fromLatin1(text);  // Pronto words are ASCII
            if (w_.outputBox->toPlainText() != code) w_.outputBox->setPlainText(code);
            return;
        }
        const QString shown = ShownText(text, w_.reading_);
        QLineEdit* edit = Edit(box);
        // Kept before the text changes: the change handlers may read it.
        Keep(edit, text, shown);
        edit->setText(shown);
        Keep(edit, text, edit->text());
    }

    Mode SelectedMode() const override {
        return w_.remoteOption->isChecked()   ? Mode::Remote
               : w_.manualOption->isChecked() ? Mode::Manual
                                              : Mode::Discrete;
    }
    void PickMode(Mode mode) override { w_.PickMode(mode); }

    ValueKindOption SelectedKind() const override {
        return w_.asciiKindOption->isChecked()     ? ValueKindOption::Ascii
               : w_.decimalKindOption->isChecked() ? ValueKindOption::Dec
               : w_.hexKindOption->isChecked()     ? ValueKindOption::Hex
               : w_.valueKindOption->isChecked()   ? ValueKindOption::Value
                                                   : ValueKindOption::None;
    }
    void SelectKind(ValueKindOption kind) override {
        const std::pair<ValueKindOption, QRadioButton*> options[] = {
            {ValueKindOption::Ascii, w_.asciiKindOption},
            {ValueKindOption::Dec, w_.decimalKindOption},
            {ValueKindOption::Hex, w_.hexKindOption},
            {ValueKindOption::Value, w_.valueKindOption}};
        for (const auto& [which, option] : options) {
            if (which == kind)
                option->setChecked(true);
            else
                Deselect(option);
        }
    }

    std::string SelectedCommand() const override {
        const QList<QListWidgetItem*> selected = w_.commandList->selectedItems();
        return selected.isEmpty() ? std::string() : ItemText(selected.front());
    }

  private:
    static constexpr const char* kWhole = "kestrelWholeText";
    static constexpr const char* kShown = "kestrelShownText";

    QLineEdit* Edit(Box box) const {
        return box == Box::CodeDecimal ? w_.codeDecimalBox
               : box == Box::CodeHex   ? w_.codeHexBox
                                       : w_.valueBox;
    }
    static void Keep(QObject* box, const std::string& whole, const QString& shown) {
        box->setProperty(kWhole, QByteArray::fromStdString(whole));
        box->setProperty(kShown, shown);
    }
    static std::string Whole(const QObject* box, const QString& current) {
        if (box->property(kShown).toString() == current) {
            return box->property(kWhole).toByteArray().toStdString();
        }
        return Latin1(current);
    }

    MainWindow& w_;
};

namespace {

// What screen readers see of the window: its controls, except hiddenSendButton,
// which lies under mainFrame where no user can see or press it.
class WindowAccessible : public QAccessibleWidget {
  public:
    explicit WindowAccessible(MainWindow* window) : QAccessibleWidget(window), window_(window) {}

    int childCount() const override { return static_cast<int>(Children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = Children();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(Children().indexOf(child->object())) : -1;
    }

  private:
    QList<QWidget*> Children() const {
        QList<QWidget*> children;
        for (QObject* object : window_->children()) {
            auto* widget = qobject_cast<QWidget*>(object);
            if (widget && !widget->isWindow() && widget != window_->hiddenSendButton)
                children << widget;
        }
        return children;
    }

    MainWindow* window_;
};

QAccessibleInterface* WindowAccessibleFactory(const QString&, QObject* object) {
    auto* window = dynamic_cast<MainWindow*>(object);
    return window ? new WindowAccessible(window) : nullptr;
}

}  // namespace

// Holds back the user's input to the window; see MainWindow::HoldInput.
class MainWindow::InputHold : public QObject {
  public:
    explicit InputHold(MainWindow& window) : window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return window_.Held(watched, event) || QObject::eventFilter(watched, event);
    }

  private:
    MainWindow& window_;
};

MainWindow::MainWindow(MainWindowServices services) : services_(std::move(services)) {
    QAccessible::installFactory(WindowAccessibleFactory);
    inputHold_ = std::make_unique<InputHold>(*this);
    windowDisplay_ = std::make_unique<WindowDisplay>(*this);
    display_ = services_.display ? services_.display : windowDisplay_.get();
    generator_ = std::make_unique<Generator>();
    catalogue_ = std::make_unique<Catalogue>();
    catalogue_->ProcessEvents = [] { QCoreApplication::processEvents(); };
    fields_ = std::make_unique<Fields>(*this);
    if (!services_.files) {
        stdioFiles_ = std::make_unique<StdioOutputFiles>();
        services_.files = stdioFiles_.get();
    }
    if (!services_.starter) {
        services_.starter = [this](const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::string& folder) {
            return StartConverter(program, arguments, folder);
        };
    }
    if (!services_.endProgram)
        services_.endProgram = [this] {
            hide();
            QCoreApplication::exit(0);
        };
    CreateControls();
    if (!services_.chooser) {
        ownChooser_ = std::make_unique<DialogSaveFileChooser>(mainFrame, *windowDisplay_);
        services_.chooser = ownChooser_.get();
    }
    ConnectHandlers();
    OnLoad();
}

MainWindow::~MainWindow() {
    StopLearning();
}

void MainWindow::CreateControls() {
    setObjectName(QStringLiteral("KTL"));
    setWindowTitle(QStringLiteral("RE Riveziz"));
    setAutoFillBackground(true);
    Paint(this, QPalette::Window, kLightCyan);
    setFont(DefaultFont());

    auto button = [](QWidget* parent, const char* name, const char* caption, QRect geometry) {
        auto* b = new QPushButton(QString::fromLatin1(caption), parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->setFont(BoldFont(8.25));
        Paint(b, QPalette::Button, kTeal);
        return b;
    };
    auto label = [](QWidget* parent, const char* name, const char* caption, QRect geometry) {
        auto* l = new QLabel(QString::fromLatin1(caption), parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(geometry);
        l->setFont(DefaultFont());
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    auto textBox = [](QWidget* parent, const char* name, QRect geometry) {
        auto* t = new QLineEdit(parent);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(geometry);
        t->setFont(DefaultFont());
        return t;
    };
    auto option = [](QWidget* parent, const char* name, const char* caption, QRect geometry) {
        auto* o = new QRadioButton(QString::fromLatin1(caption), parent);
        o->setObjectName(QString::fromLatin1(name));
        o->setGeometry(geometry);
        o->setFont(DefaultFont());
        o->setAutoFillBackground(true);
        Paint(o, o->backgroundRole(), kLightCyan);
        return o;
    };
    auto frame = [](QWidget* parent, const char* name, const char* caption, QRect geometry) {
        auto* f = new QGroupBox(QString::fromLatin1(caption), parent);
        f->setObjectName(QString::fromLatin1(name));
        f->setGeometry(geometry);
        f->setAutoFillBackground(true);
        Paint(f, QPalette::Window, kLightCyan);
        return f;
    };
    auto list = [](QWidget* parent, const char* name, QRect geometry) {
        auto* l = new QListWidget(parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(geometry);
        l->setFont(DefaultFont());
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        return l;
    };

    // Under mainFrame, so no user sees it; its action is run by rangeSendButton and the
    // double clicks.
    hiddenSendButton = button(this, "Command1", "Send", Twips(6240, 240, 975, 390));
    mainFrame = frame(this, "frmIR", "Crest Control System", Twips(0, 0, 15375, 5205));
    mainFrame->setFont(
        DesignFont({"Arial Black", "Liberation Sans", "DejaVu Sans"}, 8.25, QFont::Black));
    modelList = new QComboBox(mainFrame);
    modelList->setObjectName(QStringLiteral("lstmodel"));
    modelList->setGeometry(Twips(1320, 720, 1695, 315));
    modelList->setEditable(true);
    modelList->setInsertPolicy(QComboBox::NoInsert);
    modelList->setFont(DefaultFont());

    rangeFrame = frame(mainFrame, "frmRange", "", Twips(7200, 720, 3015, 1695));
    rangeSendButton = button(rangeFrame, "Command3", "IR SEND", Twips(1920, 600, 975, 390));
    rangeGenButton = button(rangeFrame, "cmdGen", "IR Gen", Twips(1920, 1110, 975, 390));
    rangeBox = textBox(rangeFrame, "txtRange", Twips(840, 1200, 855, 285));
    rangePrompt = label(rangeFrame, "lblRange", "", Twips(120, 240, 2775, 915));
    rangePrompt->setWordWrap(true);
    rangeCaption = label(rangeFrame, "Label2", "Range", Twips(240, 1200, 735, 255));

    manualFrame =
        frame(mainFrame, "frmManual", "Manual IR Generation", Twips(11760, 1080, 3015, 3855));
    manualFrame->setFont(BoldFont(8.25));
    manualGenButton = button(manualFrame, "Command2", "IR Gen", Twips(120, 3240, 975, 390));
    codeDecimalBox = textBox(manualFrame, "txtFCdec", Twips(1440, 2160, 495, 285));
    codeHexBox = textBox(manualFrame, "txtFChex", Twips(840, 2160, 495, 285));
    valueBox = textBox(manualFrame, "txtValue", Twips(840, 2760, 855, 285));
    valueKindOption = option(manualFrame, "optVAL", "Value", Twips(1920, 3480, 975, 195));
    decimalKindOption = option(manualFrame, "optDec", "DEC", Twips(1920, 3240, 735, 195));
    hexKindOption = option(manualFrame, "optHex", "HEX", Twips(1920, 3000, 735, 195));
    asciiKindOption = option(manualFrame, "optAscii", "ASCII", Twips(1920, 2760, 735, 195));
    manualDivider = new QFrame(manualFrame);
    manualDivider->setObjectName(QStringLiteral("Line2"));
    manualDivider->setGeometry(0, Px(2040) - 1, Px(3000), 2);
    manualDivider->setAutoFillBackground(true);
    Paint(manualDivider, QPalette::Window, kSilver);
    manualInstructions = label(manualFrame, "lblvalues", "", Twips(120, 240, 2775, 1755));
    manualInstructions->setWordWrap(true);
    decimalCaption = label(manualFrame, "Label12", "  dec", Twips(1440, 2400, 495, 255));
    hexCaption = label(manualFrame, "Label3", "  hex", Twips(840, 2400, 375, 255));
    functionCaption = label(manualFrame, "Label13", "Function", Twips(120, 2160, 735, 255));
    valueCaption = label(manualFrame, "Label6", "Value", Twips(360, 2760, 495, 255));

    delayTimer = new QTimer(mainFrame);
    delayTimer->setObjectName(QStringLiteral("tmrDelay"));
    genAllButton = button(mainFrame, "cmdGenAll", "Gen ALL", Twips(5160, 240, 975, 390));
    doneButton = button(mainFrame, "quit", "Done", Twips(7320, 240, 975, 390));
    Paint(doneButton, QPalette::Button, kLightRed);
    outputBox = new QPlainTextEdit(mainFrame);
    outputBox->setObjectName(QStringLiteral("txtOutput"));
    outputBox->setGeometry(Twips(3240, 1320, 5055, 3735));
    outputBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    outputBox->setFont(
        DesignFont({"Courier New", "Liberation Mono", "DejaVu Sans Mono"}, 8.25, QFont::Normal));
    commandList = list(mainFrame, "lstCmnds", Twips(120, 1320, 3015, 2010));
    valueList = list(mainFrame, "lstValues", Twips(120, 3360, 3015, 1620));
    remoteButtonList = list(mainFrame, "lstRemote", Twips(8520, 1200, 3015, 3765));
    discreteOption = option(mainFrame, "optDiscrete", "Discrete", Twips(360, 240, 1215, 255));
    remoteOption = option(mainFrame, "optRemote", "Remote ", Twips(1800, 240, 1215, 255));
    manualOption = option(mainFrame, "optManual", "Manual", Twips(3120, 240, 1095, 255));
    for (QRadioButton* mode : {discreteOption, remoteOption, manualOption})
        mode->setFont(BoldFont(9.75));
    Group(mainFrame, {discreteOption, remoteOption, manualOption});
    Group(manualFrame, {valueKindOption, decimalKindOption, hexKindOption, asciiKindOption});
    discreteOption->setChecked(true);
    headingLabel = label(mainFrame, "Label1", "Set The model of the Processor to start.",
                         Twips(3360, 720, 4935, 255));
    headingLabel->setFont(BoldFont(9.75));
    sendIndicator = new LedShape(mainFrame);
    sendIndicator->setObjectName(QStringLiteral("LED"));
    sendIndicator->setGeometry(Twips(120, 240, 180, 180));
    sendIndicator->hide();
    modelCaption = label(mainFrame, "lblModel", "Model", Twips(480, 720, 735, 255));
    modelCaption->setFont(BoldFont(9.75));
    statusLabel = label(mainFrame, "lblError", "Value Error", Twips(120, 1080, 8175, 255));
    statusLabel->setFont(BoldFont(9.75));
    Paint(statusLabel, QPalette::WindowText, Qt::red);
    statusLabel->hide();
    // A layout marker: its end point gives the window's size.
    sizeMarker = new QFrame(mainFrame);
    sizeMarker->setObjectName(QStringLiteral("Line1"));
    sizeMarker->setGeometry(Px(8400), Px(240), 1, Px(5160) - Px(240));
    sizeMarker->setFrameShape(QFrame::VLine);
    // At the status line's right end, which makes room for it during a run.
    cancelRunButton = button(mainFrame, "cmdCancel", "Cancel",
                             QRect(statusLabel->geometry().right() - 59, statusLabel->y() - 2, 60,
                                   statusLabel->height() + 4));
    cancelRunButton->hide();
    NameForScreenReaders();
}

// Screen readers name a control by its caption; these have none, share
// one, or would take their frame's. On Linux a combo box is named by the
// item it shows and by the label that labels it.
void MainWindow::NameForScreenReaders() {
    modelCaption->setBuddy(modelList);
    const std::pair<QWidget*, const char*> names[] = {
        {rangeFrame, "Range entry"},
        {manualFrame, "Manual IR Generation"},
        {modelList, "Model"},
        {modelList->lineEdit(), "Model name"},
        {modelList->view(), "Models"},
        {rangeGenButton, "IR Gen, range"},
        {rangeBox, "Range"},
        {manualGenButton, "IR Gen, manual"},
        {codeDecimalBox, "Function code, dec"},
        {codeHexBox, "Function code, hex"},
        {valueBox, "Value"},
        {valueKindOption, "Value kind: Value"},
        {decimalKindOption, "Value kind: DEC"},
        {hexKindOption, "Value kind: HEX"},
        {asciiKindOption, "Value kind: ASCII"},
        {outputBox, "Pronto code"},
        {commandList, "Commands"},
        {valueList, "Values"},
        {remoteButtonList, "Remote buttons"},
        {remoteOption, "Remote"},
        {cancelRunButton, "Cancel Gen ALL"},
    };
    for (const auto& [control, name] : names)
        control->setAccessibleName(QString::fromLatin1(name));
}

void MainWindow::OnLoad() {
    // The frame ends at the line; everything right of it lies outside the
    // window. The window's inside is the line's end point.
    const QPoint lineEnd(sizeMarker->x(), sizeMarker->geometry().bottom() + 1);
    mainFrame->resize(lineEnd.x(), mainFrame->height());
    setFixedSize(lineEnd.x(), lineEnd.y());
    manualFrame->move(commandList->x(), commandList->y() - Px(90));
    manualFrame->hide();
    rangeFrame->move(valueList->pos());
    rangeFrame->hide();
    Initialise();
    for (const Notice& note : NoticesOf(generator_->SetupProtocol()))
        Show(note, *display_);
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
}

void MainWindow::Initialise() {
    remoteButtonList->move(commandList->pos());
    valueList->hide();
    manualInstructions->hide();
    remoteButtonList->hide();
    if (discreteOption->isChecked())
        OnDiscreteMode();
    else
        discreteOption->setChecked(true);  // runs the handler
    for (QListWidget* list : {commandList, valueList, remoteButtonList}) {
        const QSignalBlocker blocker(list);
        list->clear();
    }
    fields_->SetText(Box::Output, "");
    fields_->SetText(Box::CodeHex, "");
    fields_->SetText(Box::CodeDecimal, "");
    fields_->SetText(Box::Value, "");
}

void MainWindow::FillModelList() {
    const QSignalBlocker blocker(modelList);
    modelList->clear();
    modelList->addItem(QString());
    models_ = ListModels(services_.programFolder, services_.userFolder);
    // A name is a file's name, shown as UTF-8 when it is valid UTF-8; its
    // bytes are kept with the item.
    for (const ModelSource& model : models_) {
        modelList->addItem(ShownText(model.name, ReadingOf(model.name)),
                           QByteArray::fromStdString(model.name));
    }
}

void MainWindow::ShowModelName() {
    const std::string& name = catalogue_->ModelName;
    modelCaption->setText(name.empty()
                              ? QStringLiteral("Model=????")
                              : QStringLiteral("Model=") + ShownText(name, ReadingOf(name)));
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) ShowModelName();
    return QWidget::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing by the frame ends the program at once; the temporary file and
    // the transmitter are left as they are.
    event->accept();
    EndProgram();
}

void MainWindow::EndProgram() {
    if (!ending_) {
        ending_ = true;
        StopLearning();
        windowDisplay_->EndWaits();
    }
    services_.endProgram();
}

// ---------------------------------------------------------------------------
// Model selection and modes

void MainWindow::ConnectHandlers() {
    connect(modelList, &QComboBox::activated, this, &MainWindow::OnModelPicked);
    connect(discreteOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on) OnDiscreteMode();
    });
    connect(remoteOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on) OnRemoteMode();
    });
    connect(manualOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on) OnManualMode();
    });
    connect(doneButton, &QPushButton::clicked, this, &MainWindow::OnDone);
    connect(delayTimer, &QTimer::timeout, delayTimer, &QTimer::stop);

    ConnectList(commandList, &MainWindow::OnCommandClicked, nullptr);
    ConnectList(valueList, &MainWindow::OnValueClicked, &MainWindow::OnValueDoubleClicked);
    ConnectList(remoteButtonList, &MainWindow::OnRemoteButtonClicked,
                &MainWindow::OnRemoteButtonDoubleClicked);

    connect(codeDecimalBox, &QLineEdit::textChanged, this, &MainWindow::OnCodeDecimalChanged);
    connect(codeHexBox, &QLineEdit::textChanged, this, &MainWindow::OnCodeHexChanged);
    // Enter in these, and Enter on a picked value or remote button.
    for (QWidget* box : {static_cast<QWidget*>(codeDecimalBox), static_cast<QWidget*>(codeHexBox),
                         static_cast<QWidget*>(valueBox), static_cast<QWidget*>(rangeBox),
                         static_cast<QWidget*>(valueList), static_cast<QWidget*>(remoteButtonList)})
        box->installEventFilter(this);

    connect(rangeGenButton, &QPushButton::clicked, this, &MainWindow::GenerateRange);
    connect(rangeSendButton, &QPushButton::clicked, this, &MainWindow::GenerateRangeAndSend);
    connect(manualGenButton, &QPushButton::clicked, this, &MainWindow::GenerateManual);
    connect(hiddenSendButton, &QPushButton::clicked, this, &MainWindow::OnHiddenSendClicked);
    connect(genAllButton, &QPushButton::clicked, this, &MainWindow::RunGenAll);
    connect(cancelRunButton, &QPushButton::clicked, this, [this] { cancelRun_ = true; });
    AddSignalViewEntry(outputBox, this, [this](QMenu& menu) {
        QAction* learn = menu.addAction(QStringLiteral("Learn from remote\u2026"));
        connect(learn, &QAction::triggered, this, &MainWindow::OpenLearnDialog);
    });

    // Tab visits the controls in the order of the design. No user can see
    // or press hiddenSendButton, so it takes no focus; the output box passes Tab on
    // instead of typing it into the code.
    hiddenSendButton->setFocusPolicy(Qt::NoFocus);
    // A click on Done takes no focus: leaving a code box would run its
    // update (and perhaps a message) before Done could end the program.
    doneButton->setFocusPolicy(Qt::TabFocus);
    outputBox->setTabChangesFocus(true);
    QWidget* const order[] = {modelList,       rangeSendButton,   rangeGenButton, rangeBox,
                              manualGenButton, codeDecimalBox,    codeHexBox,     valueBox,
                              valueKindOption, decimalKindOption, hexKindOption,  asciiKindOption,
                              genAllButton,    doneButton,        outputBox,      commandList,
                              valueList,       remoteButtonList,  discreteOption, remoteOption,
                              manualOption};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// A list's click handler runs when an item becomes selected, by mouse, keys
// or code, and when the user clicks the item that is selected already; a
// double click runs the double-click handler. An item that only becomes
// current (as the first one does when the list gets the focus) runs nothing.
void MainWindow::ConnectList(QListWidget* list, void (MainWindow::*click)(int),
                             void (MainWindow::*doubleClick)(int)) {
    list->viewport()->installEventFilter(this);
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list, click] {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (!selected.isEmpty()) (this->*click)(list->row(selected.front()));
    });
    connect(list, &QListWidget::itemClicked, this, [this, list, click](QListWidgetItem* item) {
        const int row = list->row(item);
        if (afterDoubleClick_ || pressedList_ != list || pressedRow_ != row) return;
        if (item->isSelected()) (this->*click)(row);
    });
    if (doubleClick) {
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list, doubleClick](QListWidgetItem* item) {
                    afterDoubleClick_ = true;
                    (this->*doubleClick)(list->row(item));
                });
    }
}

void MainWindow::HoldInput(bool hold) {
    if (hold ? holds_++ == 0 : --holds_ == 0) {
        if (hold)
            qApp->installEventFilter(inputHold_.get());
        else
            qApp->removeEventFilter(inputHold_.get());
    }
}

// While a generate-all run goes on, the user's input to this window is held
// back, so nothing can change the fields the run uses; while a message box
// or dialog is open, so that the box is answered first. Done and the
// window's close still end the program; during a run Escape and Cancel
// stop it.
bool MainWindow::Held(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget->window() != this && widget->window() != learnDialog_)) return false;
    switch (event->type()) {
        case QEvent::WindowActivate:
            if (widget == this) windowDisplay_->RaiseOpenDialog();
            return false;
        case QEvent::KeyPress:
            if (runs_ > 0 && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                cancelRun_ = true;
                return true;
            }
            [[fallthrough]];
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
            return widget != doneButton && !(runs_ > 0 && widget == cancelRunButton);
        default:
            return false;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    for (QListWidget* list : {commandList, valueList, remoteButtonList}) {
        if (watched == list->viewport() && type == QEvent::MouseButtonPress) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QListWidgetItem* item = list->itemAt(at);
            pressedList_ = list;
            pressedRow_ = item && item->isSelected() ? list->row(item) : -1;
            afterDoubleClick_ = false;
        }
    }
    if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == codeDecimalBox) {
                DecimalToHex();
            } else if (watched == codeHexBox) {
                HexToDecimal();
            } else if (watched == valueBox) {
                OnValueEntered();
            } else if (watched == rangeBox) {
                GenerateRange();  // as IR Gen beside it
            } else if (watched == valueList || watched == remoteButtonList) {
                // On a picked item, as its double click: sent.
                auto* list = static_cast<QListWidget*>(watched);
                const QList<QListWidgetItem*> picked = list->selectedItems();
                if (!picked.isEmpty()) {
                    const int row = list->row(picked.front());
                    list == valueList ? OnValueDoubleClicked(row)
                                      : OnRemoteButtonDoubleClicked(row);
                }
                return true;
            }
        }
    } else if (type == QEvent::FocusOut) {
        // Losing the focus to a message box or a popup is no leaving, nor
        // is anything while the user's input is held.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            holds_ == 0) {
            if (watched == codeDecimalBox)
                DecimalToHex();
            else if (watched == codeHexBox)
                HexToDecimal();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::OnModelPicked(int index) {
    const std::string name = modelList->itemData(index).toByteArray().toStdString();
    if (name.empty()) return;
    for (QListWidget* list : {commandList, valueList, remoteButtonList}) {
        const QSignalBlocker blocker(list);
        list->clear();
    }
    const std::string folder = ModelFolder(models_, name, services_.programFolder);
    // The lines the loader skips are counted as kestrel-gen check lists
    // them (a load started inside this one counts its own).
    int64_t skipped = 0;
    auto outer = std::exchange(catalogue_->OnLineNote, [&skipped](const LineNote& note) {
        skipped += note.kind == LineNote::Kind::Skipped ? 1 : 0;
    });
    loadedModel_.clear();
    const Status selected = SelectModel(*catalogue_, folder, name);
    catalogue_->OnLineNote = std::move(outer);
    if (selected) loadedModel_ = name;
    if (!selected) {
        display_->ShowMessage(selected.reason());
        EndProgram();
        return;
    }
    reading_ = catalogue_->TextIsUtf8 ? Reading::Utf8 : Reading::Latin1;
    {
        const QSignalBlocker commands(commandList);
        for (const CommandEntry& entry : catalogue_->Commands()) {
            AddItem(commandList, entry.Name, reading_);
        }
        const QSignalBlocker remote(remoteButtonList);
        for (const RemoteEntry& entry : catalogue_->RemoteCodes()) {
            AddItem(remoteButtonList, entry.Name, reading_);
        }
    }
    manualOption->setEnabled(catalogue_->AllowManual);
    // Once a model, so that picking it again stays quiet.
    if (skipped > 0 && skipNoticed_.insert(name).second) {
        const QString text =
            QStringLiteral("%1 %2 skipped \u2014 kestrel-gen check %3")
                .arg(skipped)
                .arg(skipped == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
                .arg(Decoded(name, ReadingOf(name)));
        display_->ShowStatus(text.toUtf8().toStdString(), 3);
    }
}

// Selecting a mode option from code runs its handler exactly once, also
// when the option is selected already.
void MainWindow::PickMode(Mode mode) {
    QRadioButton* option = mode == Mode::Remote   ? remoteOption
                           : mode == Mode::Manual ? manualOption
                                                  : discreteOption;
    {
        const QSignalBlocker blocker(option);
        option->setChecked(true);
    }
    if (mode == Mode::Remote)
        OnRemoteMode();
    else if (mode == Mode::Manual)
        OnManualMode();
    else
        OnDiscreteMode();
}

void MainWindow::OnDiscreteMode() {
    remoteButtonList->hide();
    valueList->hide();
    manualFrame->hide();
    rangeFrame->hide();
    commandList->show();
    SuppressListClick = true;
    commandList->setCurrentRow(-1);
    commandList->clearSelection();
    SuppressListClick = false;
    SelectDiscrete(*fields_);
    manualInstructions->hide();
}

void MainWindow::OnRemoteMode() {
    valueList->hide();
    commandList->hide();
    manualFrame->hide();
    rangeFrame->hide();
    remoteButtonList->show();
    SuppressListClick = true;
    remoteButtonList->setCurrentRow(-1);
    remoteButtonList->clearSelection();
    SuppressListClick = false;
    SelectRemote(*fields_);
    manualInstructions->hide();
}

void MainWindow::OnManualMode() {
    fields_->SetText(Box::Output, "");
    commandList->hide();
    valueList->hide();
    remoteButtonList->hide();
    rangeFrame->hide();
    manualFrame->show();
    manualInstructions->setText(QString::fromLatin1(kManualInstructions));
    manualInstructions->show();
    SelectManual(*fields_);
}

void MainWindow::OnDone() {
    // Only a temporary file in the program's folder is removed here; any
    // failure (no such file) is ignored.
    const std::string temporary =
        services_.programFolder + "/" + std::string(file_format::kTemporaryFile);
    std::remove(temporary.c_str());
    StopLearning();  // the transceiver is released only once nothing uses it
    if (services_.transmitter) services_.transmitter->CloseTransmitter();
    EndProgram();
}

// "Learn from remote..." opens the learn dialog, which starts listening;
// when it is open already it comes to the front as it stands.
void MainWindow::OpenLearnDialog() {
    if (ending_) return;
    if (!learnDialog_) learnDialog_ = new LearnDialog(*this, services_.transmitter);
    const bool open = learnDialog_->isVisible();
    learnDialog_->show();
    learnDialog_->raise();
    learnDialog_->activateWindow();
    if (!open) learnDialog_->Listen();
}

void MainWindow::StopLearning() {
    if (learnDialog_) learnDialog_->Stop();
}

void MainWindow::HoldSending(bool hold) {
    if (hold) {
        if (sendHolds_++ > 0) return;
        sendEnabled_[0] = hiddenSendButton->isEnabled();
        sendEnabled_[1] = rangeSendButton->isEnabled();
        hiddenSendButton->setEnabled(false);
        rangeSendButton->setEnabled(false);
    } else if (sendHolds_ > 0 && --sendHolds_ == 0) {
        hiddenSendButton->setEnabled(sendEnabled_[0]);
        rangeSendButton->setEnabled(sendEnabled_[1]);
    }
}

namespace {

// The row of the first item of list whose bytes are text; -1 when none is.
int RowOf(const QListWidget* list, const std::string& text) {
    for (int row = 0; row < list->count(); ++row) {
        if (ItemText(list->item(row)) == text) return row;
    }
    return -1;
}

}  // namespace

bool MainWindow::ShowCatalogueEntry(const CatalogueEntry& entry) {
    if (ending_ || holds_ > 0) return false;
    if (loadedModel_ != entry.model) {
        const int index = modelList->findData(QByteArray::fromStdString(entry.model));
        if (index <= 0) return false;
        modelList->setCurrentIndex(index);
        OnModelPicked(index);
        if (ending_ || loadedModel_ != entry.model) return false;
    }
    // A row selected from here runs its click handler, as a user's click.
    const auto pick = [](QListWidget* list, int row) {
        if (row < 0 || row >= list->count()) return false;
        list->setCurrentRow(row);
        return true;
    };
    switch (entry.kind) {
        case CatalogueEntry::Kind::Value:
        case CatalogueEntry::Kind::Range:
            PickMode(Mode::Discrete);
            if (!pick(commandList, RowOf(commandList, entry.command))) return false;
            if (entry.kind == CatalogueEntry::Kind::Value) {
                if (!pick(valueList, entry.choice)) return false;
            } else {
                rangeBox->setText(QString::fromLatin1(entry.value));  // a number
                GenerateRange();
            }
            break;
        case CatalogueEntry::Kind::Remote:
            PickMode(Mode::Remote);
            if (!pick(remoteButtonList, RowOf(remoteButtonList, entry.command))) return false;
            break;
        case CatalogueEntry::Kind::Manual:
            if (!manualOption->isEnabled()) return false;
            PickMode(Mode::Manual);
            fields_->SetText(Box::CodeDecimal, entry.functionCode);
            DecimalToHex();
            fields_->SetText(Box::Value, entry.value);
            fields_->SelectKind(entry.valueKind);
            GenerateManual();
            break;
    }
    return !ending_ && fields_->Text(Box::Output) == entry.code;
}

// ---------------------------------------------------------------------------
// Lists

void MainWindow::OnCommandClicked(int row) {
    if (SuppressListClick || row < 0) return;
    {
        const QSignalBlocker blocker(valueList);
        valueList->clear();
    }
    valueList->hide();
    manualInstructions->hide();
    const CommandClick click = ClickCommand(*catalogue_, *fields_);
    Play(click.outcome);
    switch (click.show) {
        case CommandClick::Show::Values: {
            valueList->show();
            rangeFrame->hide();
            const QSignalBlocker blocker(valueList);
            for (const std::string& label : click.labels)
                AddItem(valueList, label, reading_);
            break;
        }
        case CommandClick::Show::Range:
            rangePrompt->show();
            rangeFrame->show();
            valueList->hide();
            rangePrompt->setText(ShownText(click.rangePrompt, reading_));
            break;
        case CommandClick::Show::Query:
            break;  // the status line has said so; rangeFrame stays as it was
    }
}

void MainWindow::OnValueClicked(int row) {
    if (SuppressListClick || row < 0) return;
    Play(ClickValue(*catalogue_, *fields_, row, *generator_));
}

void MainWindow::OnValueDoubleClicked(int row) {
    if (SuppressListClick || row < 0 || !hiddenSendButton->isEnabled()) return;
    OnValueClicked(row);
    SendCode();
}

void MainWindow::OnRemoteButtonClicked(int row) {
    if (SuppressListClick || row < 0) return;
    Play(ClickRemote(*catalogue_, *fields_, row, *generator_));
}

void MainWindow::OnRemoteButtonDoubleClicked(int row) {
    if (SuppressListClick || row < 0) return;
    OnRemoteButtonClicked(row);
    SendCode();
}

// ---------------------------------------------------------------------------
// Manual entry

void MainWindow::OnCodeDecimalChanged() {
    if (codeDecimalBox->text().isEmpty() && !codeHexBox->text().isEmpty())
        fields_->SetText(Box::CodeHex, "");
}

void MainWindow::OnCodeHexChanged() {
    if (codeHexBox->text().isEmpty() && !codeDecimalBox->text().isEmpty())
        fields_->SetText(Box::CodeDecimal, "");
}

bool MainWindow::TypedTextFits(std::initializer_list<Box> boxes, bool range) {
    const auto refuse = [this](char32_t c, const char* box) {
        const QString text =
            QStringLiteral(
                "The %1 holds the character \u201c%2\u201d (U+%3), which Kestrel cannot "
                "send: only Latin-1 characters (U+0000 to U+00FF) can be used. Nothing "
                "was generated or sent.")
                .arg(QString::fromLatin1(box), QString::fromUcs4(&c, 1),
                     QStringLiteral("%1")
                         .arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'))
                         .toUpper());
        display_->ShowMessage(text.toUtf8().toStdString());
        return false;
    };
    if (const char32_t c = range ? FirstBeyondLatin1(rangeBox->text()) : 0)
        return refuse(c, "range");
    for (const Box box : boxes) {
        if (const char32_t c = fields_->BeyondLatin1(box)) {
            return refuse(c, box == Box::Value         ? "value"
                             : box == Box::CodeDecimal ? "function code (dec)"
                                                       : "function code (hex)");
        }
    }
    return true;
}

void MainWindow::DecimalToHex() {
    if (TypedTextFits({Box::CodeDecimal})) Play(UpdateHexFromDecimal(*fields_));
}

void MainWindow::HexToDecimal() {
    if (TypedTextFits({Box::CodeHex})) Play(UpdateDecimalFromHex(*fields_));
}

void MainWindow::OnValueEntered() {
    if (!TypedTextFits({Box::CodeDecimal, Box::CodeHex, Box::Value})) return;
    if (CheckValue(*catalogue_, *fields_, fields_->Text(Box::Value))) {
        RequestIntoOutput();
    } else {
        Play(ValueError(*fields_));
    }
}

// ---------------------------------------------------------------------------
// Buttons

void MainWindow::GenerateRange() {
    if (!TypedTextFits({Box::CodeDecimal, Box::CodeHex}, true)) return;
    Play(GenerateRangeValue(*catalogue_, *fields_, Latin1(rangeBox->text()), *generator_));
}

void MainWindow::GenerateRangeAndSend() {
    if (!TypedTextFits({Box::CodeDecimal, Box::CodeHex}, true)) return;
    const Outcome generated =
        GenerateRangeValue(*catalogue_, *fields_, Latin1(rangeBox->text()), *generator_);
    Play(generated);
    if (!generated.ValueRefused()) SendCode();
}

void MainWindow::GenerateManual() {
    if (!TypedTextFits({Box::CodeDecimal, Box::CodeHex, Box::Value})) return;
    RequestIntoOutput();
}

void MainWindow::OnHiddenSendClicked() {
    SendCode();
}

void MainWindow::SendCode() {
    if (ending_) return;  // nothing is sent once the transceiver is released
    if (sendHolds_ > 0) {
        display_->ShowStatus("Nothing is sent while Kestrel listens for a remote", 0);
        return;
    }
    if (!TypedTextFits({Box::CodeDecimal, Box::CodeHex, Box::Value})) return;
    if (fields_->SelectedMode() == Mode::Discrete &&
        !CheckValue(*catalogue_, *fields_, fields_->Text(Box::Value))) {
        Play(ValueError(*fields_));
        return;
    }
    // The output box keeps what it shows; only the code is generated.
    const Outcome requested = RequestCode(*fields_, *generator_);
    Play(requested);
    const std::string& code = requested.code;
    if (code.empty() || ending_) return;
    sendIndicator->show();
    const Status sent = services_.transmitter ? services_.transmitter->SendPronto(code)
                                              : Status(Refused(kTransmitErrorText));
    if (!sent) display_->ShowStatus("Could not transmit data", 0);
    display_->Delay(250);
    sendIndicator->hide();
}

// What a core routine returns, shown through the live fields: its notices in
// order, with the field writes that follow them.
void MainWindow::Play(const Outcome& outcome) {
    outcome.Play(*fields_, [this](const Notice& notice) { Show(notice, *display_); });
}

// The code for the fields into the output box, after what the request shows.
void MainWindow::RequestIntoOutput() {
    const Outcome requested = RequestCode(*fields_, *generator_);
    Play(requested);
    fields_->SetText(Box::Output, requested.code);
}

// The fields of a generate-all run. The run writes them thousands of times
// a second; drawing (and announcing to screen readers) every one of them
// made a run hundreds of times slower than kestrel-gen export. So they are
// kept here, and the window's boxes and value-kind options show them at
// most every 100 ms, before a message, and when the run ends. The user's
// input is held back meanwhile, so nothing else writes the boxes.
class MainWindow::RunFields : public FieldRecord {
  public:
    explicit RunFields(MainWindow& window) : w_(window) { Load(); }

    // A mode option picked by the run works on the window.
    void PickMode(Mode picked) override {
        w_.PickMode(picked);
        Load();
    }
    void Show() const {
        Fields& live = *w_.fields_;
        for (const Box box : {Box::CodeHex, Box::CodeDecimal, Box::Value, Box::Output}) {
            if (live.Text(box) != Text(box)) live.SetText(box, Text(box));
        }
        if (live.SelectedKind() != valueKind) live.SelectKind(valueKind);
    }

  private:
    void Load() {
        const Fields& live = *w_.fields_;
        functionCodeDecimal = live.Text(Box::CodeDecimal);
        functionCodeHex = live.Text(Box::CodeHex);
        valueText = live.Text(Box::Value);
        output = live.Text(Box::Output);
        mode = live.SelectedMode();
        valueKind = live.SelectedKind();
        selectedCommand = live.SelectedCommand();
    }

    MainWindow& w_;
};

// What the window does while a generate-all run goes on: the status line
// shows how many samples are written of how many, and the current
// sample's caption, with Cancel at its end; the window's events run every
// 10 ms. The run's messages go through here, so that the window shows the
// sample they are about.
class MainWindow::RunObserver : public GenerateAllObserver {
  public:
    RunObserver(MainWindow& window, const RunFields& fields) : w_(window), fields_(fields) {}

    int64_t Total() const { return total_; }

    void RunStarted(int64_t samples) override {
        total_ = samples;
        running_ = true;
        w_.statusLabel->resize(w_.cancelRunButton->x() - w_.statusLabel->x() - 4,
                               w_.statusLabel->height());
        w_.statusLabel->setText(QString());
        w_.statusLabel->show();
        w_.cancelRunButton->show();
    }
    void ProcessEvents() override {
        if (events_.isValid() && events_.elapsed() < kEventsEveryMs) return;
        if (!shown_.isValid() || shown_.elapsed() >= kShownEveryMs) Draw();
        QCoreApplication::processEvents();
        events_.start();
    }
    void CaptionChanged(const std::string& caption) override { caption_ = caption; }
    void SampleWritten(const WindowFields&, const Sample&) override { ++written_; }
    void RunEnded() override {
        running_ = false;
        w_.cancelRunButton->hide();
        w_.statusLabel->resize(w_.cancelRunButton->geometry().right() + 1 - w_.statusLabel->x(),
                               w_.statusLabel->height());
        w_.statusLabel->setText(QString());
        w_.statusLabel->hide();
    }
    bool ShouldStop() override { return w_.ending_ || w_.cancelRun_; }

    void Show(const Notice& notice) override {
        Draw();
        kestrel::Show(notice, *w_.display_);
    }

  private:
    static constexpr qint64 kEventsEveryMs = 10;
    static constexpr qint64 kShownEveryMs = 100;

    void Draw() {
        fields_.Show();
        if (running_) {
            w_.statusLabel->setText(QStringLiteral("%1 of %2   ").arg(written_).arg(total_) +
                                    ShownText(caption_, w_.reading_));
            w_.statusLabel->show();  // again after a flash
        }
        shown_.start();
    }

    MainWindow& w_;
    const RunFields& fields_;
    bool running_ = false;
    int64_t total_ = 0;
    int64_t written_ = 0;
    std::string caption_;
    QElapsedTimer events_;
    QElapsedTimer shown_;
};

void MainWindow::RunGenAll() {
    const std::string chosen = services_.chooser->GetSaveFileName("");
    if (chosen.empty() || ending_) return;
    RunFields fields(*this);
    RunObserver observer(*this, fields);
    GenerateAll run(*catalogue_, *generator_, *services_.files);
    run.SetConverter(services_.programFolder, services_.starter);
    run.SetObserver(&observer);
    cancelRun_ = false;
    ++runs_;
    HoldInput(true);
    const GenerateAllResult result = run.Run(fields, chosen);
    HoldInput(false);
    --runs_;
    if (ending_) return;
    if (result.stopped) {
        // Cancelled: stopped before its next sample, its files closed as
        // they stand, no converter started; the window as after a run.
        observer.RunEnded();
        fields.SetText(Box::Output, "");
    }
    fields.Show();
    if (result.stopped) {
        cancelRun_ = false;
        display_->ShowStatus("Gen ALL cancelled after " + std::to_string(result.samples) + " of " +
                                 std::to_string(observer.Total()) + " samples",
                             0);
    }
}

// The converter runs on by itself; when it ends without having made the
// CCF file, the user is told why.
Status MainWindow::StartConverter(const std::string& program,
                                  const std::vector<std::string>& arguments,
                                  const std::string& folder) {
    Result<std::unique_ptr<StartedProgram>> started = StartProgram(program, arguments, folder);
    if (!started) return Refused(started.reason());
    std::unique_ptr<StartedProgram> converter = std::move(started).value();
    const std::string ccfFile = arguments.empty() ? std::string() : arguments.back();
    WatchProgram(
        this, std::move(converter), [this, ccfFile](StartedProgram& ended, const ProgramEnd& end) {
            if (end.ok() || ending_) return;
            display_->ShowMessage(ConverterFailure(ccfFile, ended.Errors(), end.Describe()));
        });
    return {};
}

}  // namespace kestrel
