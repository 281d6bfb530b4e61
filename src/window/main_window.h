// The main window: its controls, laid out as designed, and its handlers.
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

struct MainWindowServices {
    std::string programFolder;           // where the device files and hex2ccf live
    std::string userFolder;              // the user's own device files; "" for none
    Transmitter* transmitter = nullptr;  // opened by Main, closed by Done
    Display* display = nullptr;          // null: the window's own display operations
    SaveFileChooser* chooser = nullptr;  // null: the save dialog CD2
    ProgramStarter starter;              // empty: StartProgram, its end watched
    OutputFiles* files = nullptr;        // null: the file system
    std::function<void()> endProgram;    // empty: quit the application
};

class MainWindow : public QWidget {
  public:
    // Runs the load handler: layout, Initialise, the protocol set-up, centring.
    explicit MainWindow(MainWindowServices services);
    ~MainWindow() override;

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
    void OnLoad();
    void Initialise();
    void ShowModelName();
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

    void OnModelPicked(int index);
    void OnDiscreteMode();
    void OnRemoteMode();
    void OnManualMode();
    void ShowDiscretePanels();
    void OnDone();
    void OpenLearnDialog();
    void StopLearning();

    void ConnectList(QListWidget* list, void (MainWindow::*click)(int),
                     void (MainWindow::*doubleClick)(int));
    void OnCommandClicked(int row);
    void OnValueClicked(int row);
    void OnValueDoubleClicked(int row);
    void OnRemoteButtonClicked(int row);
    void OnRemoteButtonDoubleClicked(int row);

    void OnCodeDecimalChanged();
    void OnCodeHexChanged();
    void DecimalToHex();
    void HexToDecimal();
    void OnValueEntered();

    void GenerateRange();
    void GenerateRangeAndSend();
    void GenerateManual();
    void OnHiddenSendClicked();
    void SendCode();  // the send action, also run by rangeSendButton and the double clicks
    void RunGenAll();
    class RunFields;
    class RunObserver;

    MainWindowServices services_;
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
    bool sendEnabled_[2] = {};  // hiddenSendButton and rangeSendButton before the first hold

  public:
    // The controls, named by role; each keeps the design's name as its
    // objectName, which the tests and screen readers use.
    QPushButton* hiddenSendButton = nullptr;
    QGroupBox* mainFrame = nullptr;
    QComboBox* modelList = nullptr;
    QGroupBox* rangeFrame = nullptr;
    QPushButton* rangeSendButton = nullptr;
    QPushButton* rangeGenButton = nullptr;
    QLineEdit* rangeBox = nullptr;
    QLabel* rangePrompt = nullptr;
    QLabel* rangeCaption = nullptr;
    QGroupBox* manualFrame = nullptr;
    QPushButton* manualGenButton = nullptr;
    QLineEdit* codeDecimalBox = nullptr;
    QLineEdit* codeHexBox = nullptr;
    QLineEdit* valueBox = nullptr;
    QRadioButton* valueKindOption = nullptr;
    QRadioButton* decimalKindOption = nullptr;
    QRadioButton* hexKindOption = nullptr;
    QRadioButton* asciiKindOption = nullptr;
    QFrame* manualDivider = nullptr;
    QLabel* manualInstructions = nullptr;
    QLabel* decimalCaption = nullptr;
    QLabel* hexCaption = nullptr;
    QLabel* functionCaption = nullptr;
    QLabel* valueCaption = nullptr;
    QTimer* delayTimer = nullptr;
    QPushButton* genAllButton = nullptr;
    QPushButton* doneButton = nullptr;
    QPlainTextEdit* outputBox = nullptr;
    QListWidget* commandList = nullptr;
    QListWidget* valueList = nullptr;
    QListWidget* remoteButtonList = nullptr;
    QRadioButton* discreteOption = nullptr;
    QRadioButton* remoteOption = nullptr;
    QRadioButton* manualOption = nullptr;
    QLabel* headingLabel = nullptr;
    QWidget* sendIndicator = nullptr;
    QLabel* modelCaption = nullptr;
    QLabel* statusLabel = nullptr;
    QFrame* sizeMarker = nullptr;
    // Not in the design: on the status line while a generate-all run goes
    // on, it stops the run.
    QPushButton* cancelRunButton = nullptr;
};

}  // namespace kestrel
