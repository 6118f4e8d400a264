#pragma once
// The test sequence editor (window "TestSeqEditor") without its window: two
// workspaces kept across restarts in SeqEditor1.txt and SeqEditor2.txt, the
// editor's own state in lastused.txt (four recent files, the last directory,
// a flag and the background colour), Load As, Save As, New Script, Clear
// Workspace, the syntax check on the editor's own script engine, the
// hand-over of the code to the main panel's script host (AutoLoad), and Run
// and Stop.
//
// The window binds its widgets to controls() by name, as the main window
// binds the panel, and presses the Menu and Button controls to run the
// commands:
//   TestSeqEditor  Label    caption: the window title
//   txtEditor      TextBox  the sequence: UTF-8, with the line breaks of the
//                           workspace's text (a file's own, CR LF for new text)
//   Text1          TextBox  line number of the caret ("Line number:")
//   Text2          TextBox  the main panel's Status line, mirrored
//   Text3          TextBox  the message line ("Err Message:")
//   File1Button, File2Button  Button, checked while its workspace is active
//   flastfile1..4  Menu     the recent files (caption: the path; hidden when free)
//   mnuLoad mnuSave mnuNew mnuClear mnuPrint mnuExit mnuErrTest mnuClrErr
//   mnuAutoload mnuHelp     Menu     the commands; mnuPrint, mnuExit and
//                           mnuHelp are the window's to bind
//   mnuWhite mnuYellow mnuBrown mnuGreen mnuBlue  Menu, ticked: the colour
//   mnuRun mnuStop          Menu     AutoLoad then RUN; END (Run and ErrorTest
//                           are disabled while they run)
//   mnuSyntaxColour mnuLineNumbers mnuCompletion mnuFixedFont mnuArialFont
//                           Menu, ticked: the window's options
// Text boxes carry the background colour in their colour property.
//
// The text a user types reaches the model through userEdited(); the caret
// through setCaret(). Text the program writes into txtEditor is written back
// to its files unchanged, byte for byte, until the user edits it.
//
// Thread: the instrument's thread only.

#include "panel/controls.h"
#include "script/engine.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
class Dialogs;
}

namespace sequencer {

class ScriptHost;

inline constexpr std::string_view kEditorCaption = "Test Sequence Editor";
// The caption with a file name: kEditorCaption + three blanks + the path.
inline constexpr std::string_view kEditorCaptionSeparator = "   ";
inline constexpr std::string_view kLastUsedFile = "C:/QEX_ARV1files/lastused.txt";
inline constexpr std::array<std::string_view, 2> kWorkspaceFiles = {
    "C:/QEX_ARV1files/SeqEditor1.txt", "C:/QEX_ARV1files/SeqEditor2.txt"};
// The window's options, kept apart so that lastused.txt keeps its seven values.
inline constexpr std::string_view kEditorOptionsFile = "C:/QEX_ARV1files/SeqEditorOptions.txt";
inline constexpr std::string_view kPassedErrorCheck = "Passed Error Check.";
inline constexpr std::string_view kRunseqTemplate =
    "Public Function RUNSEQ()\r\n \r\nEnd Function\r\n";
inline constexpr std::string_view kFirstStartTemplate =
    "Public Function MYPGM()\r\n \r\nEnd Function\r\n";

// The background colours of the Options menu, as 0xRRGGBB.
struct EditorColour {
    std::string_view menu;    // its menu control
    std::string_view caption; // its menu text
    std::uint32_t rgb;
};
inline constexpr std::array<EditorColour, 5> kEditorColours = {{
    {"mnuWhite", "White", 0xFFFFFF},
    {"mnuYellow", "Yellow", 0xF9F3D5},
    {"mnuBrown", "Brown", 0xDED9D6},
    {"mnuGreen", "Green", 0xCBDDDD},
    {"mnuBlue", "Blue", 0xBDD6EA},
}};

// Files keep colours as the classic colour number: red + 256 green + 65536 blue.
std::int32_t colourNumber(std::uint32_t rgb);
std::uint32_t colourFromNumber(std::int32_t number);

// The line number of a caret from the text before it: a line break is
// appended when the text does not end with one, and the line breaks are
// counted (CR LF, a lone CR and a lone LF each count once).
int DetermineLine(std::string_view textBeforeCaret);

// Line and column (1-based; the column counts characters) of the caret
// that SetLineAndColumn places: the line is clamped to the text's lines, the
// column to the line's length plus one.
struct Caret {
    int line = 1;
    int column = 1;
    bool operator==(const Caret&) const = default;
};
Caret clampCaret(std::string_view text, int line, int column);
// The byte offset of a caret in the text (after clamping).
std::size_t caretOffset(std::string_view text, Caret caret);

// The options beyond the classic editor, all switchable in the Options menu.
struct EditorOptions {
    bool syntaxColouring = true;
    bool lineNumbers = true;
    bool completion = true;
    bool fixedFont = true; // else Arial
    bool operator==(const EditorOptions&) const = default;
};

class SeqEditor {
public:
    // The editor hands code to `host` and gives its own engine a
    // clsAddInFunction acting through it.
    SeqEditor(ScriptHost& host, platform::Dialogs& dialogs);
    ~SeqEditor();
    SeqEditor(const SeqEditor&) = delete;
    SeqEditor& operator=(const SeqEditor&) = delete;

    panel::Controls& controls() { return controls_; }
    const panel::Controls& controls() const { return controls_; }

    // ---- the window's life ------------------------------------------------------
    // Form_Load, but for the topmost switch: a new engine with "MathFunction",
    // the state from lastused.txt, the MYPGM template or workspace 1, the colour.
    void open();
    // Form_Unload: lastused.txt, then both workspaces. Also the program's exit.
    void close();
    bool isOpen() const { return open_; }
    // Writes lastused.txt and both workspaces as closing does, and stays open.
    void saveState();

    // ---- commands -----------------------------------------------------------------
    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuNew_Click();
    void mnuClear_Click();
    void flastfile_Click(int index); // 1..4
    void mnuErrTest_Click();
    void mnuClrErr_Click();
    void mnuAutoload_Click();
    void File1Button_Click() { switchWorkspace(0); }
    void File2Button_Click() { switchWorkspace(1); }
    void setEditorColour(std::uint32_t rgb);
    // Load As after its dialog: false (and a message box) when the file
    // cannot be read; the workspace is then left as it was.
    bool loadFile(std::string_view path);
    // AutoLoad, then the main panel's RUN; when the run fails in this code
    // the caret goes to the failing line. Nothing happens while a sequence runs.
    void run();
    // The main panel's END; also stops a syntax check that is still running.
    void stop();

    // ---- text and caret -------------------------------------------------------------
    const std::string& text() const;
    // The whole text after a user's edit, with '\n' line breaks; stored with
    // the workspace's line breaks. The same text with other line breaks is
    // no edit and leaves the text as it is.
    void userEdited(std::string_view textWithLf);
    void setCaret(Caret caret) { caret_ = caret; }
    Caret caret() const { return caret_; }
    // Text1 = the line number of the caret (mouse down and key up).
    void DetermineLine();
    // Places the caret (clamped) and asks the window to show it and focus the text.
    void SetLineAndColumn(int line, int column);
    // Called when the program places the caret or wants the text focused.
    std::function<void()> onPlaceCaret;
    // The line of the last failed check or run of this text (0: none).
    int errorLine() const { return errorLine_; }
    // Called when errorLine changes.
    std::function<void()> onErrorLineChanged;
    // Whether a syntax check is running (its top-level statements may wait).
    bool checking() const { return checking_; }

    // ---- state --------------------------------------------------------------------------
    std::int16_t activeWorkspace = 0;
    std::array<std::string, 2> workspaceText; // UTF-8
    std::array<std::string, 2> workspaceName;
    std::int16_t recentSlot = 0;
    std::string lastDirectory;
    std::int16_t stateFlag = 1;
    std::uint32_t editorColor = 0xFFFFFF; // 0xRRGGBB

    const EditorOptions& options() const { return options_; }
    void setOptions(const EditorOptions& options);

    // The editor's own engine (VBS1); null while the window is closed.
    script::Engine* engine() { return engine_.get(); }

private:
    panel::Control& control(std::string_view name) { return controls_[name]; }
    void createControls();
    void showText(std::string text);
    void setCaption(std::string_view path);
    void setRecent(int index, std::string_view path);
    void paintBoxes(std::uint32_t rgb);
    void setMessage(std::string_view text);
    void setErrorLine(int line);
    void switchWorkspace(int index);
    void storeText();
    void readLastUsed();
    void writeLastUsed() const;
    void readOptions();
    void writeOptions() const;
    void showOptions();
    void newEngine();

    ScriptHost& host_;
    platform::Dialogs& dialogs_;
    panel::Controls controls_;
    std::unique_ptr<script::Engine> engine_;
    int statusObserver_ = 0;
    bool open_ = false;
    bool checking_ = false;
    bool stopCheck_ = false;
    std::string lineBreak_ = "\r\n"; // of the text the program last showed
    Caret caret_;
    int errorLine_ = 0;
    int autoloadCount_ = 0;
    std::string autoloadUnit_;
    EditorOptions options_;
};

} // namespace sequencer
