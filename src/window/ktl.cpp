#include "window/ktl.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "catalogue/generate_all.h"
#include "launcher/launch_app.h"
#include "transmitter/transmitter.h"
#include "window/save_file_chooser.h"
#include "window/shown_text.h"
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
const char* const kTemporaryFile = "Temp$$.hex";

std::string Latin1(const QString& text) {
    return text.toLatin1().toStdString();
}
QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text);
}

// A list item showing text, shortened when it is long; the whole text is
// kept with the item.
void AddItem(QListWidget* list, const std::string& text) {
    auto* item = new QListWidgetItem(ShownText(text), list);
    if (text.size() > kShownLength) item->setData(Qt::UserRole, FromLatin1(text));
}

// The whole text of an item added by AddItem.
std::string ItemText(const QListWidgetItem* item) {
    const QVariant whole = item->data(Qt::UserRole);
    return Latin1(whole.isValid() ? whole.toString() : item->text());
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

// Marks a handler that generates or sends while it runs (and waits).
class KTL::BusyScope {
  public:
    explicit BusyScope(KTL& window) : window_(window) { ++window_.busy_; }
    ~BusyScope() { --window_.busy_; }

  private:
    KTL& window_;
};

KTL::KTL(KtlServices services) : services_(std::move(services)) {
    windowDisplay_ = std::make_unique<WindowDisplay>(*this);
    display_ = services_.display ? services_.display : windowDisplay_.get();
    generator_ = std::make_unique<Generator>(*display_);
    catalogue_ = std::make_unique<Catalogue>(*display_);
    catalogue_->ProcessEvents = [] { QCoreApplication::processEvents(); };
    if (!services_.files) {
        stdioFiles_ = std::make_unique<StdioOutputFiles>();
        services_.files = stdioFiles_.get();
    }
    if (!services_.starter)
        services_.starter =
            [](const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder) { return StartProgram(program, arguments, folder); };
    if (!services_.endProgram)
        services_.endProgram = [this] {
            hide();
            QCoreApplication::exit(0);
        };
    CreateControls();
    if (!services_.chooser) {
        ownChooser_ = std::make_unique<DialogSaveFileChooser>(frmIR, services_.programFolder);
        services_.chooser = ownChooser_.get();
    }
    ConnectHandlers();
    Form_Load();
}

KTL::~KTL() = default;

void KTL::CreateControls() {
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

    // Under frmIR, so no user sees it; its action is run by Command3 and the
    // double clicks.
    Command1 = button(this, "Command1", "Send", Twips(6240, 240, 975, 390));
    frmIR = frame(this, "frmIR", "Crest Control System", Twips(0, 0, 15375, 5205));
    frmIR->setFont(
        DesignFont({"Arial Black", "Liberation Sans", "DejaVu Sans"}, 8.25, QFont::Black));
    lstmodel = new QComboBox(frmIR);
    lstmodel->setObjectName(QStringLiteral("lstmodel"));
    lstmodel->setGeometry(Twips(1320, 720, 1695, 315));
    lstmodel->setEditable(true);
    lstmodel->setInsertPolicy(QComboBox::NoInsert);
    lstmodel->setFont(DefaultFont());

    frmRange = frame(frmIR, "frmRange", "", Twips(7200, 720, 3015, 1695));
    Command3 = button(frmRange, "Command3", "IR SEND", Twips(1920, 600, 975, 390));
    cmdGen = button(frmRange, "cmdGen", "IR Gen", Twips(1920, 1110, 975, 390));
    txtRange = textBox(frmRange, "txtRange", Twips(840, 1200, 855, 285));
    lblRange = label(frmRange, "lblRange", "", Twips(120, 240, 2775, 915));
    lblRange->setWordWrap(true);
    Label2 = label(frmRange, "Label2", "Range", Twips(240, 1200, 735, 255));

    frmManual = frame(frmIR, "frmManual", "Manual IR Generation", Twips(11760, 1080, 3015, 3855));
    frmManual->setFont(BoldFont(8.25));
    Command2 = button(frmManual, "Command2", "IR Gen", Twips(120, 3240, 975, 390));
    txtFCdec = textBox(frmManual, "txtFCdec", Twips(1440, 2160, 495, 285));
    txtFChex = textBox(frmManual, "txtFChex", Twips(840, 2160, 495, 285));
    txtValue = textBox(frmManual, "txtValue", Twips(840, 2760, 855, 285));
    optVAL = option(frmManual, "optVAL", "Value", Twips(1920, 3480, 975, 195));
    optDec = option(frmManual, "optDec", "DEC", Twips(1920, 3240, 735, 195));
    optHex = option(frmManual, "optHex", "HEX", Twips(1920, 3000, 735, 195));
    optAscii = option(frmManual, "optAscii", "ASCII", Twips(1920, 2760, 735, 195));
    Line2 = new QFrame(frmManual);
    Line2->setObjectName(QStringLiteral("Line2"));
    Line2->setGeometry(0, Px(2040) - 1, Px(3000), 2);
    Line2->setAutoFillBackground(true);
    Paint(Line2, QPalette::Window, kSilver);
    lblvalues = label(frmManual, "lblvalues", "", Twips(120, 240, 2775, 1755));
    lblvalues->setWordWrap(true);
    Label12 = label(frmManual, "Label12", "  dec", Twips(1440, 2400, 495, 255));
    Label3 = label(frmManual, "Label3", "  hex", Twips(840, 2400, 375, 255));
    Label13 = label(frmManual, "Label13", "Function", Twips(120, 2160, 735, 255));
    Label6 = label(frmManual, "Label6", "Value", Twips(360, 2760, 495, 255));

    tmrDelay = new QTimer(frmIR);
    tmrDelay->setObjectName(QStringLiteral("tmrDelay"));
    cmdGenAll = button(frmIR, "cmdGenAll", "Gen ALL", Twips(5160, 240, 975, 390));
    quit = button(frmIR, "quit", "Done", Twips(7320, 240, 975, 390));
    Paint(quit, QPalette::Button, kLightRed);
    txtOutput = new QPlainTextEdit(frmIR);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setGeometry(Twips(3240, 1320, 5055, 3735));
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOutput->setFont(
        DesignFont({"Courier New", "Liberation Mono", "DejaVu Sans Mono"}, 8.25, QFont::Normal));
    lstCmnds = list(frmIR, "lstCmnds", Twips(120, 1320, 3015, 2010));
    lstValues = list(frmIR, "lstValues", Twips(120, 3360, 3015, 1620));
    lstRemote = list(frmIR, "lstRemote", Twips(8520, 1200, 3015, 3765));
    optDiscrete = option(frmIR, "optDiscrete", "Discrete", Twips(360, 240, 1215, 255));
    optRemote = option(frmIR, "optRemote", "Remote ", Twips(1800, 240, 1215, 255));
    optManual = option(frmIR, "optManual", "Manual", Twips(3120, 240, 1095, 255));
    for (QRadioButton* mode : {optDiscrete, optRemote, optManual})
        mode->setFont(BoldFont(9.75));
    Group(frmIR, {optDiscrete, optRemote, optManual});
    Group(frmManual, {optVAL, optDec, optHex, optAscii});
    optDiscrete->setChecked(true);
    Label1 = label(frmIR, "Label1", "Set The model of the Processor to start.",
                   Twips(3360, 720, 4935, 255));
    Label1->setFont(BoldFont(9.75));
    LED = new LedShape(frmIR);
    LED->setObjectName(QStringLiteral("LED"));
    LED->setGeometry(Twips(120, 240, 180, 180));
    LED->hide();
    lblModel = label(frmIR, "lblModel", "Model", Twips(480, 720, 735, 255));
    lblModel->setFont(BoldFont(9.75));
    lblError = label(frmIR, "lblError", "Value Error", Twips(120, 1080, 8175, 255));
    lblError->setFont(BoldFont(9.75));
    Paint(lblError, QPalette::WindowText, Qt::red);
    lblError->hide();
    // A layout marker: its end point gives the window's size.
    Line1 = new QFrame(frmIR);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setGeometry(Px(8400), Px(240), 1, Px(5160) - Px(240));
    Line1->setFrameShape(QFrame::VLine);
}

void KTL::Form_Load() {
    // The frame ends at the line; everything right of it lies outside the
    // window. The window's inside is the line's end point.
    const QPoint lineEnd(Line1->x(), Line1->geometry().bottom() + 1);
    frmIR->resize(lineEnd.x(), frmIR->height());
    setFixedSize(lineEnd.x(), lineEnd.y());
    frmManual->move(lstCmnds->x(), lstCmnds->y() - Px(90));
    frmManual->hide();
    frmRange->move(lstValues->pos());
    frmRange->hide();
    KTLinit();
    generator_->SetupProtocol();
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
}

void KTL::KTLinit() {
    lstRemote->move(lstCmnds->pos());
    lstValues->hide();
    lblvalues->hide();
    lstRemote->hide();
    if (optDiscrete->isChecked())
        optDiscrete_Click();
    else
        optDiscrete->setChecked(true);  // runs the handler
    for (QListWidget* list : {lstCmnds, lstValues, lstRemote}) {
        const QSignalBlocker blocker(list);
        list->clear();
    }
    WindowFields fields = ReadFields();
    fields.txtOutput.clear();
    SetFChex(fields, "");
    SetFCdec(fields, "");
    fields.txtValue.clear();
    WriteFields(fields);
}

void KTL::FillModelList() {
    const QSignalBlocker blocker(lstmodel);
    lstmodel->clear();
    lstmodel->addItem(QString());
    models_ = ListModels(services_.programFolder, services_.userFolder);
    for (const ModelSource& model : models_) {
        lstmodel->addItem(FromLatin1(model.name));
    }
}

void KTL::Form_Activate() {
    const std::string& name = catalogue_->ModelName;
    lblModel->setText(name.empty() ? QStringLiteral("Model=????")
                                   : QStringLiteral("Model=") + ShownText(name));
}

bool KTL::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Form_Activate();
    return QWidget::event(event);
}

void KTL::closeEvent(QCloseEvent* event) {
    // Closing by the frame ends the program at once; the temporary file and
    // the transmitter are left as they are.
    event->accept();
    services_.endProgram();
}

// ---------------------------------------------------------------------------
// The field record

WindowFields KTL::ReadFields() const {
    WindowFields fields;
    fields.txtFCdec = Latin1(txtFCdec->text());
    fields.txtFChex = Latin1(txtFChex->text());
    fields.txtValue = Latin1(txtValue->text());
    fields.txtOutput = Latin1(txtOutput->toPlainText());
    fields.mode = optRemote->isChecked()   ? Mode::Remote
                  : optManual->isChecked() ? Mode::Manual
                                           : Mode::Discrete;
    fields.valueKind = optAscii->isChecked() ? ValueKindOption::Ascii
                       : optDec->isChecked() ? ValueKindOption::Dec
                       : optHex->isChecked() ? ValueKindOption::Hex
                       : optVAL->isChecked() ? ValueKindOption::Value
                                             : ValueKindOption::None;
    const QList<QListWidgetItem*> selected = lstCmnds->selectedItems();
    if (!selected.isEmpty()) fields.selectedCommand = ItemText(selected.front());
    return fields;
}

void KTL::WriteFields(const WindowFields& fields) {
    // The record already holds what the boxes' change handlers would do.
    syncing_ = true;
    auto setText = [](QLineEdit* box, const std::string& text) {
        const QString value = FromLatin1(text);
        if (box->text() != value) box->setText(value);
    };
    setText(txtFCdec, fields.txtFCdec);
    setText(txtFChex, fields.txtFChex);
    setText(txtValue, fields.txtValue);
    const QString output = FromLatin1(fields.txtOutput);
    if (txtOutput->toPlainText() != output) txtOutput->setPlainText(output);
    syncing_ = false;

    QRadioButton* mode = fields.mode == Mode::Remote   ? optRemote
                         : fields.mode == Mode::Manual ? optManual
                                                       : optDiscrete;
    if (!mode->isChecked()) {
        const QSignalBlocker blocker(mode);
        mode->setChecked(true);
    }
    QRadioButton* kinds[] = {optAscii, optDec, optHex, optVAL};
    QRadioButton* kind = nullptr;
    switch (fields.valueKind) {
        case ValueKindOption::Ascii:
            kind = optAscii;
            break;
        case ValueKindOption::Dec:
            kind = optDec;
            break;
        case ValueKindOption::Hex:
            kind = optHex;
            break;
        case ValueKindOption::Value:
            kind = optVAL;
            break;
        case ValueKindOption::None:
            break;
    }
    for (QRadioButton* option : kinds) {
        if (option == kind)
            option->setChecked(true);
        else
            Deselect(option);
    }
}

// ---------------------------------------------------------------------------
// Model selection and modes

void KTL::ConnectHandlers() {
    connect(lstmodel, &QComboBox::textActivated, this, &KTL::lstmodel_Click);
    connect(optDiscrete, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optDiscrete_Click();
    });
    connect(optRemote, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optRemote_Click();
    });
    connect(optManual, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optManual_Click();
    });
    connect(quit, &QPushButton::clicked, this, &KTL::quit_Click);
    connect(tmrDelay, &QTimer::timeout, tmrDelay, &QTimer::stop);

    // A list's click handler runs when its current row changes (by mouse,
    // keyboard or code) and when the user clicks the row that is already
    // current; a double click runs the double-click handler.
    auto connectList = [this](QListWidget* list, void (KTL::*click)(int),
                              void (KTL::*doubleClick)(int)) {
        list->viewport()->installEventFilter(this);
        connect(list, &QListWidget::currentRowChanged, this, [this, click](int row) {
            if (row >= 0) (this->*click)(row);
        });
        connect(list, &QListWidget::itemClicked, this, [this, list, click](QListWidgetItem* item) {
            const int row = list->row(item);
            if (afterDoubleClick_ || pressedList_ != list || pressedRow_ != row) return;
            (this->*click)(row);
        });
        if (doubleClick) {
            connect(list, &QListWidget::itemDoubleClicked, this,
                    [this, list, doubleClick](QListWidgetItem* item) {
                        afterDoubleClick_ = true;
                        (this->*doubleClick)(list->row(item));
                    });
        }
    };
    connectList(lstCmnds, &KTL::lstCmnds_Click, nullptr);
    connectList(lstValues, &KTL::lstValues_Click, &KTL::lstValues_DblClick);
    connectList(lstRemote, &KTL::lstRemote_Click, &KTL::lstRemote_DblClick);

    connect(txtFCdec, &QLineEdit::textChanged, this, &KTL::txtFCdec_Change);
    connect(txtFChex, &QLineEdit::textChanged, this, &KTL::txtFChex_Change);
    for (QLineEdit* box : {txtFCdec, txtFChex, txtValue})
        box->installEventFilter(this);

    connect(cmdGen, &QPushButton::clicked, this, &KTL::cmdGen_Click);
    connect(Command3, &QPushButton::clicked, this, &KTL::Command3_Click);
    connect(Command2, &QPushButton::clicked, this, &KTL::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &KTL::Command1_Click);
    connect(cmdGenAll, &QPushButton::clicked, this, &KTL::cmdGenAll_Click);
}

bool KTL::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (runActive_ && watched != this) {
        // While a generate-all run goes on, the user's input to this window
        // is held back, so nothing can change the fields the run uses.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this &&
            (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
             type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress ||
             type == QEvent::KeyRelease || type == QEvent::Wheel ||
             type == QEvent::ShortcutOverride)) {
            return true;
        }
    }
    for (QListWidget* list : {lstCmnds, lstValues, lstRemote}) {
        if (watched == list->viewport() && type == QEvent::MouseButtonPress) {
            pressedList_ = list;
            pressedRow_ = list->currentRow();
            afterDoubleClick_ = false;
        }
    }
    if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == txtFCdec)
                DecimalToHex();
            else if (watched == txtFChex)
                HexToDecimal();
            else if (watched == txtValue)
                txtValue_Enter();
        }
    } else if (type == QEvent::FocusOut) {
        // Losing the focus to a message box or a popup is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == txtFCdec)
                DecimalToHex();
            else if (watched == txtFChex)
                HexToDecimal();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KTL::lstmodel_Click(const QString& text) {
    if (text.isEmpty()) return;
    for (QListWidget* list : {lstCmnds, lstValues, lstRemote}) {
        const QSignalBlocker blocker(list);
        list->clear();
    }
    WindowFields fields = ReadFields();
    const std::string folder = ModelFolder(models_, Latin1(text), services_.programFolder);
    if (!SelectModel(*catalogue_, fields, folder, Latin1(text))) {
        services_.endProgram();  // the missing file's message has been shown
        return;
    }
    {
        const QSignalBlocker commands(lstCmnds);
        for (const CommandEntry& entry : catalogue_->Commands()) {
            AddItem(lstCmnds, entry.Name);
        }
        const QSignalBlocker remote(lstRemote);
        for (const RemoteEntry& entry : catalogue_->RemoteCodes()) {
            AddItem(lstRemote, entry.Name);
        }
    }
    optManual->setEnabled(catalogue_->AllowManual);
}

void KTL::ShowDiscretePanels() {
    lstRemote->hide();
    lstValues->hide();
    frmManual->hide();
    frmRange->hide();
    lstCmnds->show();
    SuppressListClick = true;
    lstCmnds->setCurrentRow(-1);
    lstCmnds->clearSelection();
    SuppressListClick = false;
    lblvalues->hide();
}

void KTL::optDiscrete_Click() {
    ShowDiscretePanels();
    WindowFields fields = ReadFields();
    SelectDiscrete(fields);
    WriteFields(fields);
}

void KTL::optRemote_Click() {
    lstValues->hide();
    lstCmnds->hide();
    frmManual->hide();
    frmRange->hide();
    lstRemote->show();
    SuppressListClick = true;
    lstRemote->setCurrentRow(-1);
    lstRemote->clearSelection();
    SuppressListClick = false;
    WindowFields fields = ReadFields();
    SelectRemote(fields);
    WriteFields(fields);
    lblvalues->hide();
}

void KTL::optManual_Click() {
    WindowFields fields = ReadFields();
    fields.txtOutput.clear();
    WriteFields(fields);
    lstCmnds->hide();
    lstValues->hide();
    lstRemote->hide();
    frmRange->hide();
    frmManual->show();
    lblvalues->setText(QString::fromLatin1(kManualInstructions));
    lblvalues->show();
    fields = ReadFields();
    SelectManual(fields);
    WriteFields(fields);
}

void KTL::quit_Click() {
    // Only a temporary file in the program's folder is removed here; any
    // failure (no such file) is ignored.
    const std::string temporary = services_.programFolder + "/" + kTemporaryFile;
    std::remove(temporary.c_str());
    if (services_.transmitter) services_.transmitter->CloseTransmitter();
    services_.endProgram();
}

// ---------------------------------------------------------------------------
// Lists

void KTL::lstCmnds_Click(int row) {
    if (SuppressListClick || Busy() || row < 0) return;
    QListWidgetItem* item = lstCmnds->item(row);
    if (!item) return;
    {
        const QSignalBlocker blocker(lstValues);
        lstValues->clear();
    }
    lstValues->hide();
    lblvalues->hide();
    WindowFields fields = ReadFields();
    const CommandClick click = ClickCommand(*catalogue_, fields, ItemText(item), *display_);
    switch (click.show) {
        case CommandClick::Show::Values: {
            lstValues->show();
            frmRange->hide();
            const QSignalBlocker blocker(lstValues);
            for (const std::string& label : click.labels)
                AddItem(lstValues, label);
            break;
        }
        case CommandClick::Show::Range:
            lblRange->show();
            frmRange->show();
            lstValues->hide();
            lblRange->setText(ShownText(click.rangePrompt));
            break;
        case CommandClick::Show::Query:
            break;  // the status line has said so; frmRange stays as it was
    }
    WriteFields(fields);
}

void KTL::lstValues_Click(int row) {
    if (SuppressListClick || Busy() || row < 0) return;
    const BusyScope busy(*this);
    WindowFields fields = ReadFields();
    ClickValue(*catalogue_, fields, row, *generator_, *display_);
    WriteFields(fields);
}

void KTL::lstValues_DblClick(int row) {
    if (SuppressListClick || Busy() || row < 0 || !Command1->isEnabled()) return;
    lstValues_Click(row);
    const BusyScope busy(*this);
    Command1_Action();
}

void KTL::lstRemote_Click(int row) {
    if (SuppressListClick || Busy() || row < 0) return;
    const BusyScope busy(*this);
    WindowFields fields = ReadFields();
    ClickRemote(*catalogue_, fields, row, *generator_, *display_);
    WriteFields(fields);
}

void KTL::lstRemote_DblClick(int row) {
    if (SuppressListClick || Busy() || row < 0) return;
    lstRemote_Click(row);
    const BusyScope busy(*this);
    Command1_Action();
}

// ---------------------------------------------------------------------------
// Manual entry

void KTL::txtFCdec_Change() {
    if (syncing_) return;
    if (txtFCdec->text().isEmpty() && !txtFChex->text().isEmpty()) txtFChex->setText(QString());
}

void KTL::txtFChex_Change() {
    if (syncing_) return;
    if (txtFChex->text().isEmpty() && !txtFCdec->text().isEmpty()) txtFCdec->setText(QString());
}

void KTL::DecimalToHex() {
    WindowFields fields = ReadFields();
    UpdateHexFromDecimal(fields, *display_);
    WriteFields(fields);
}

void KTL::HexToDecimal() {
    WindowFields fields = ReadFields();
    UpdateDecimalFromHex(fields, *display_);
    WriteFields(fields);
}

void KTL::txtValue_Enter() {
    if (Busy()) return;
    const BusyScope busy(*this);
    WindowFields fields = ReadFields();
    if (CheckValue(*catalogue_, fields, fields.txtValue)) {
        fields.txtOutput = RequestCode(fields, *generator_, *display_);
    } else {
        ShowValueError(fields, *display_);
    }
    WriteFields(fields);
}

// ---------------------------------------------------------------------------
// Buttons

void KTL::cmdGen_Click() {
    if (Busy()) return;
    const BusyScope busy(*this);
    WindowFields fields = ReadFields();
    GenerateRangeValue(*catalogue_, fields, Latin1(txtRange->text()), *generator_, *display_);
    WriteFields(fields);
}

void KTL::Command3_Click() {
    if (Busy()) return;
    const BusyScope busy(*this);
    WindowFields fields = ReadFields();
    const bool passed =
        GenerateRangeValue(*catalogue_, fields, Latin1(txtRange->text()), *generator_, *display_);
    WriteFields(fields);
    if (passed) Command1_Action();
}

void KTL::Command2_Click() {
    if (Busy()) return;
    const BusyScope busy(*this);
    WindowFields fields = ReadFields();
    fields.txtOutput = RequestCode(fields, *generator_, *display_);
    WriteFields(fields);
}

void KTL::Command1_Click() {
    if (Busy()) return;
    const BusyScope busy(*this);
    Command1_Action();
}

void KTL::Command1_Action() {
    WindowFields fields = ReadFields();
    if (fields.mode == Mode::Discrete && !CheckValue(*catalogue_, fields, fields.txtValue)) {
        ShowValueError(fields, *display_);
        WriteFields(fields);
        return;
    }
    // The output box keeps what it shows; only the code is generated.
    const std::string code = RequestCode(fields, *generator_, *display_);
    fields.txtOutput = Latin1(txtOutput->toPlainText());
    WriteFields(fields);
    if (code.empty()) return;
    LED->show();
    const std::string failure =
        services_.transmitter ? services_.transmitter->SendPronto(code) : kTransmitErrorText;
    if (!failure.empty()) display_->ShowStatus("Could not transmit data", 0);
    display_->Delay(250);
    LED->hide();
}

// What the window does while a generate-all run goes on.
class KTL::RunObserver : public GenerateAllObserver {
  public:
    explicit RunObserver(KTL& window) : window_(window) {}

    void DiscreteSelected(WindowFields& fields) override {
        {
            const QSignalBlocker blocker(window_.optDiscrete);
            window_.optDiscrete->setChecked(true);
        }
        window_.ShowDiscretePanels();
        window_.WriteFields(fields);
    }
    void RunStarted() override {
        window_.lblError->setText(QString());
        window_.lblError->show();
    }
    void FieldsChanged(WindowFields& fields) override { window_.WriteFields(fields); }
    void ProcessEvents(WindowFields& fields) override {
        window_.WriteFields(fields);
        QCoreApplication::processEvents();
    }
    void CaptionChanged(const std::string& caption) override {
        window_.lblError->setText(ShownText(caption));
    }
    void RunEnded(WindowFields& fields) override {
        window_.lblError->setText(QString());
        window_.lblError->hide();
        window_.WriteFields(fields);
    }

  private:
    KTL& window_;
};

void KTL::cmdGenAll_Click() {
    if (Busy()) return;
    const BusyScope busy(*this);
    const std::string chosen = services_.chooser->GetSaveFileName("");
    if (chosen.empty()) return;
    GenerateAll run(*catalogue_, *generator_, *display_, *services_.files);
    run.SetConverter(services_.programFolder, services_.starter);
    RunObserver observer(*this);
    run.SetObserver(&observer);
    WindowFields fields = ReadFields();
    runActive_ = true;
    qApp->installEventFilter(this);
    run.Run(fields, chosen);
    qApp->removeEventFilter(this);
    runActive_ = false;
    WriteFields(fields);
}

}  // namespace kestrel
