// The main window KTL: its controls, laid out as designed, and its handlers.
//
// The handlers are thin: they do the widget work (panels, lists) and call
// the core routine that does the rest through the window's fields, which
// the window implements over its live widgets. A handler that waits (a
// flash, the send indicator, a message box) lets other handlers run, and
// what those change stands. The window owns the generator and the
// catalogue; the transmitter, the save dialog, the converter start and (in
// tests) the display are handed in.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "catalogue/catalogue.h"
#include "display/display.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "generator/generator.h"
#include "session/fields.h"
#include "session/request.h"
#include "window/shown_text.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace kestrel {

class LearnDialog;
class Transmitter;
class WindowDisplay;
struct CatalogueEntry;

// Asks the user for the file a generate-all run writes.
class SaveFileChooser {
  public:
    virtual ~SaveFileChooser() = default;
    // The chosen file with its full path, or "" when the user cancels.
    virtual std::string GetSaveFileName(const std::string& startText) = 0;
};

struct KtlServices {
    std::string programFolder;           // where the device files and hex2ccf live
    std::string userFolder;              // the user's own device files; "" for none
    Transmitter* transmitter = nullptr;  // opened by Main, closed by Done
    Display* display = nullptr;          // null: the window's own display operations
    SaveFileChooser* chooser = nullptr;  // null: the save dialog CD2
    ProgramStarter starter;              // empty: StartProgram, its end watched
    OutputFiles* files = nullptr;        // null: the file system
    std::function<void()> endProgram;    // empty: quit the application
};

class KTL : public QWidget {
  public:
    // Runs the load handler: layout, KTLinit, the protocol set-up, centring.
    explicit KTL(KtlServices services);
    ~KTL() override;

    Generator& generator() { return *generator_; }
    Catalogue& catalogue() { return *catalogue_; }
    Display& display() { return *display_; }
    const std::string& programFolder() const { return services_.programFolder; }

    // The display operations drawn on this window (also when tests replace
    // the display the handlers use).
    WindowDisplay& windowDisplay() { return *windowDisplay_; }

    // The model selector's items from the device files of the program's
    // folder and then the user's folder, after the leading empty item.
    void FillModelList();

    bool SuppressListClick = false;

    // True once Done or the window's close has ended the program: every
    // wait and message box returns at once, and a generate-all run stops
    // before its next sample.
    bool Ending() const { return ending_; }

    // Holds back the user's input to the window (while a generate-all run
    // goes on or a message box or dialog is open), or lets it through again
    // once every hold is released. Done and the window's close always come
    // through; during a run so do Escape and the status line's Cancel,
    // which stop the run.
    void HoldInput(bool hold);

    // The model list's name of the model the lists show ("" before one is
    // picked), and the model list's items after the empty one.
    const std::string& LoadedModel() const { return loadedModel_; }
    const std::vector<ModelSource>& Models() const { return models_; }
    // Holds back every transmission (while the transceiver listens for a
    // remote): the send buttons are disabled and a double click or Enter
    // on a value or button sends nothing; released, they are as before.
    void HoldSending(bool hold);
    // Picks entry in the window as a user would, through the handlers of
    // the clicks: its model, its mode, its command and value or its button
    // (the range or manual boxes and IR Gen for a typed value). True when
    // the code box then shows the entry's code; false when the window
    // cannot pick it now (a run or a message box holds the input) or shows
    // another code.
    bool ShowCatalogueEntry(const CatalogueEntry& entry);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void Form_Load();
    void KTLinit();
    void Form_Activate();
    void ConnectHandlers();
    void NameForScreenReaders();
    class InputHold;
    bool Held(QObject* watched, QEvent* event);
    // False, after a message naming the character, when a box the handler
    // is about to use holds a typed character that Latin-1 cannot hold.
    bool TypedTextFits(std::initializer_list<Box> boxes, bool range = false);

    // The fields the core reads and writes, over the live widgets.
    class Fields;
    void Play(const Outcome& outcome);
    void RequestIntoOutput();
    void PickMode(Mode mode);
    void EndProgram();
    Status StartConverter(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder);

    void lstmodel_Click(int index);
    void optDiscrete_Click();
    void optRemote_Click();
    void optManual_Click();
    void ShowDiscretePanels();
    void quit_Click();
    void OpenLearnDialog();
    void StopLearning();

    void ConnectList(QListWidget* list, void (KTL::*click)(int), void (KTL::*doubleClick)(int));
    void lstCmnds_Click(int row);
    void lstValues_Click(int row);
    void lstValues_DblClick(int row);
    void lstRemote_Click(int row);
    void lstRemote_DblClick(int row);

    void txtFCdec_Change();
    void txtFChex_Change();
    void DecimalToHex();
    void HexToDecimal();
    void txtValue_Enter();

    void cmdGen_Click();
    void Command3_Click();
    void Command2_Click();
    void Command1_Click();
    void Command1_Action();  // the send action, also run by Command3 and the double clicks
    void cmdGenAll_Click();
    class RunFields;
    class RunObserver;

    KtlServices services_;
    std::vector<ModelSource> models_;  // the model selector's items after the empty one
    std::unique_ptr<WindowDisplay> windowDisplay_;
    Display* display_ = nullptr;
    std::unique_ptr<Generator> generator_;
    std::unique_ptr<Catalogue> catalogue_;
    std::unique_ptr<StdioOutputFiles> stdioFiles_;
    std::unique_ptr<SaveFileChooser> ownChooser_;
    std::unique_ptr<Fields> fields_;
    std::unique_ptr<InputHold> inputHold_;
    int holds_ = 0;           // reasons to hold the user's input back
    int runs_ = 0;            // generate-all runs going on
    bool cancelRun_ = false;  // Escape or Cancel during a run
    bool ending_ = false;
    Reading reading_ = Reading::Latin1;  // how the loaded device file is shown
    std::set<std::string> skipNoticed_;  // models whose skipped lines were flashed
    QListWidget* pressedList_ = nullptr;
    int pressedRow_ = -1;  // the row pressed when it was selected already, else -1
    bool afterDoubleClick_ = false;
    std::string loadedModel_;            // see LoadedModel
    QPointer<LearnDialog> learnDialog_;  // once opened
    int sendHolds_ = 0;                  // reasons to send nothing
    bool sendEnabled_[2] = {};           // Command1 and Command3 before the first hold

  public:
    // The controls, by the names of the design.
    QPushButton* Command1 = nullptr;
    QGroupBox* frmIR = nullptr;
    QComboBox* lstmodel = nullptr;
    QGroupBox* frmRange = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* cmdGen = nullptr;
    QLineEdit* txtRange = nullptr;
    QLabel* lblRange = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* frmManual = nullptr;
    QPushButton* Command2 = nullptr;
    QLineEdit* txtFCdec = nullptr;
    QLineEdit* txtFChex = nullptr;
    QLineEdit* txtValue = nullptr;
    QRadioButton* optVAL = nullptr;
    QRadioButton* optDec = nullptr;
    QRadioButton* optHex = nullptr;
    QRadioButton* optAscii = nullptr;
    QFrame* Line2 = nullptr;
    QLabel* lblvalues = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label6 = nullptr;
    QTimer* tmrDelay = nullptr;
    QPushButton* cmdGenAll = nullptr;
    QPushButton* quit = nullptr;
    QPlainTextEdit* txtOutput = nullptr;
    QListWidget* lstCmnds = nullptr;
    QListWidget* lstValues = nullptr;
    QListWidget* lstRemote = nullptr;
    QRadioButton* optDiscrete = nullptr;
    QRadioButton* optRemote = nullptr;
    QRadioButton* optManual = nullptr;
    QLabel* Label1 = nullptr;
    QWidget* LED = nullptr;
    QLabel* lblModel = nullptr;
    QLabel* lblError = nullptr;
    QFrame* Line1 = nullptr;
    // Not in the design: on the status line while a generate-all run goes
    // on, it stops the run.
    QPushButton* cmdCancel = nullptr;
};

}  // namespace kestrel
