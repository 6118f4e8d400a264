#include "sequencer/seq_editor.h"

#include "common/seqfile.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "panel/panel.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/file_choice.h"
#include "platform/files.h"
#include "sequencer/addin_functions.h"
#include "sequencer/script_host.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace sequencer {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr auto kCheckPumpInterval = std::chrono::milliseconds(100);
const std::array<std::string_view, 3> kTextBoxes = {"Text1", "Text2", "Text3"};

bool isBreak(char c) {
    return c == '\r' || c == '\n';
}

// One line of a text: its characters [start, end) and where the next begins.
struct LineSpan {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

// The lines of a text; a text ending with a line break has an empty last line.
std::vector<LineSpan> lineSpans(std::string_view text) {
    std::vector<LineSpan> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isBreak(text[i])) continue;
        std::size_t next = i + 1;
        if (text[i] == '\r' && next < text.size() && text[next] == '\n') ++next;
        lines.push_back({start, i, next});
        start = next;
        i = next - 1;
    }
    lines.push_back({start, text.size(), text.size()});
    return lines;
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int characterCount(std::string_view utf8) {
    return static_cast<int>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return !isContinuationByte(c); }));
}

// The line break a text uses: CR LF when it has one (or none at all), else
// its LF or CR.
std::string lineBreakOf(std::string_view text) {
    if (text.find("\r\n") != std::string_view::npos) return "\r\n";
    if (text.find('\n') != std::string_view::npos) return "\n";
    if (text.find('\r') != std::string_view::npos) return "\r";
    return "\r\n";
}

std::string withLfBreaks(std::string_view text) {
    std::string lf;
    lf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lf += text[i];
            continue;
        }
        lf += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return lf;
}

std::string directoryOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

// Reads a workspace or state file; a missing or unreadable file reads as "".
std::string readOrEmpty(std::string_view path) {
    try {
        return platform::readFileBytes(path);
    } catch (const std::exception&) {
        return {};
    }
}

void writeIgnoringErrors(std::string_view path, std::string_view bytes) {
    try {
        platform::writeFileAtomic(path, bytes);
    } catch (const std::exception&) {
    }
}

std::string recentControl(int index) {
    return "flastfile" + std::to_string(index);
}

// The options file: one "name=0|1" per line; unknown names are skipped.
struct OptionField {
    std::string_view name;
    std::string_view menu;
    bool EditorOptions::*field;
};
constexpr std::array<OptionField, 4> kOptionFields = {{
    {"SyntaxColouring", "mnuSyntaxColour", &EditorOptions::syntaxColouring},
    {"LineNumbers", "mnuLineNumbers", &EditorOptions::lineNumbers},
    {"Completion", "mnuCompletion", &EditorOptions::completion},
    {"FixedFont", "mnuFixedFont", &EditorOptions::fixedFont},
}};

} // namespace

std::int32_t colourNumber(std::uint32_t rgb) {
    return static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

std::uint32_t colourFromNumber(std::int32_t number) {
    // 0 (an empty state file) and numbers that are no plain colour read as white.
    if (number <= 0 || number > 0xFFFFFF) return kWhite;
    const auto n = static_cast<std::uint32_t>(number);
    return ((n & 0xFF) << 16) | (n & 0xFF00) | ((n >> 16) & 0xFF);
}

int DetermineLine(std::string_view textBeforeCaret) {
    const auto lines = static_cast<int>(lineSpans(textBeforeCaret).size());
    // lineSpans counts the line after the last break; a text that ends with a
    // break therefore already has its appended one.
    return textBeforeCaret.empty() || !isBreak(textBeforeCaret.back()) ? lines : lines - 1;
}

Caret clampCaret(std::string_view text, int line, int column) {
    const std::vector<LineSpan> lines = lineSpans(text);
    Caret caret;
    caret.line = std::clamp(line, 1, static_cast<int>(lines.size()));
    const LineSpan& span = lines[static_cast<std::size_t>(caret.line - 1)];
    caret.column =
        std::clamp(column, 1, characterCount(text.substr(span.start, span.end - span.start)) + 1);
    return caret;
}

std::size_t caretOffset(std::string_view text, Caret caret) {
    caret = clampCaret(text, caret.line, caret.column);
    const LineSpan span = lineSpans(text)[static_cast<std::size_t>(caret.line - 1)];
    std::size_t at = span.start;
    for (int skipped = 1; skipped < caret.column; ++skipped) {
        ++at;
        while (at < span.end && isContinuationByte(text[at]))
            ++at;
    }
    return at;
}

// ---- the editor -------------------------------------------------------------------

SeqEditor::SeqEditor(ScriptHost& host, platform::Dialogs& dialogs)
    : host_(host), dialogs_(dialogs) {
    createControls();
}

SeqEditor::~SeqEditor() {
    if (statusObserver_) host_.panel().controls().removeObserver(statusObserver_);
}

void SeqEditor::createControls() {
    using panel::ControlKind;
    controls_.add("TestSeqEditor", ControlKind::Label).setCaption(kEditorCaption);
    controls_.add("txtEditor", ControlKind::TextBox);
    for (std::string_view box : kTextBoxes)
        controls_.add(std::string(box), ControlKind::TextBox);
    controls_.add("File1Button", ControlKind::Button).setCaption("File1");
    controls_.add("File2Button", ControlKind::Button).setCaption("File2");
    control("File1Button").onClick([this] { File1Button_Click(); });
    control("File2Button").onClick([this] { File2Button_Click(); });
    for (int i = 1; i <= 4; ++i)
        controls_.add(recentControl(i), ControlKind::Menu).onClick([this, i] {
            flastfile_Click(i);
        });
    for (int i = 1; i <= 4; ++i)
        setRecent(i, "");

    struct Command {
        const char* name;
        const char* caption;
        std::function<void()> action;
    };
    const Command commands[] = {
        {"mnuLoad", "Load As", [this] { mnuLoad_Click(); }},
        {"mnuSave", "Save As", [this] { mnuSave_Click(); }},
        {"mnuNew", "New Script", [this] { mnuNew_Click(); }},
        {"mnuClear", "Clear Workspace", [this] { mnuClear_Click(); }},
        {"mnuPrint", "Print", nullptr},
        {"mnuExit", "Exit", nullptr},
        {"mnuErrTest", "ErrorTest", [this] { mnuErrTest_Click(); }},
        {"mnuClrErr", "Clear Error Message", [this] { mnuClrErr_Click(); }},
        {"mnuAutoload", "AutoLoad", [this] { mnuAutoload_Click(); }},
        {"mnuHelp", "Help", nullptr},
        {"mnuRun", "Run", [this] { run(); }},
        {"mnuStop", "Stop", [this] { stop(); }},
        {"mnuSyntaxColour", "Syntax Colouring", nullptr},
        {"mnuLineNumbers", "Line Numbers", nullptr},
        {"mnuCompletion", "Completion", nullptr},
        {"mnuFixedFont", "Fixed-Width Font",
         [this] {
             EditorOptions o = options_;
             o.fixedFont = true;
             setOptions(o);
         }},
        {"mnuArialFont", "Arial",
         [this] {
             EditorOptions o = options_;
             o.fixedFont = false;
             setOptions(o);
         }},
    };
    for (const Command& command : commands) {
        panel::Control& menu = controls_.add(command.name, ControlKind::Menu);
        menu.setCaption(command.caption);
        if (command.action) menu.onClick(command.action);
    }
    for (const OptionField& option : kOptionFields) {
        if (option.name == "FixedFont") continue;
        control(option.menu).onClick([this, field = option.field] {
            EditorOptions o = options_;
            o.*field = !(o.*field);
            setOptions(o);
        });
    }
    for (const EditorColour& colour : kEditorColours) {
        panel::Control& menu = controls_.add(std::string(colour.menu), ControlKind::Menu);
        menu.setCaption(colour.caption);
        menu.onClick([this, rgb = colour.rgb] { setEditorColour(rgb); });
    }
    paintBoxes(kWhite);
    showOptions();
}

void SeqEditor::newEngine() {
    engine_ = std::make_unique<script::Engine>();
    engine_->addObject("MathFunction", makeAddInFunctions(host_), true);
    useInstrumentPaths(*engine_);
    engine_->setMsgBoxHandler(dialogMsgBox(dialogs_));
    // Top-level statements of a check run at once; a check that loops can be
    // stopped, and the window stays alive while it runs.
    engine_->setInterruptCheck([this, lastPump = std::chrono::steady_clock::now()]() mutable {
        if (host_.pumpWhileRunning()) {
            const auto now = std::chrono::steady_clock::now();
            if (now - lastPump >= kCheckPumpInterval) {
                lastPump = now;
                host_.loop().pumpEvents();
            }
        }
        return stopCheck_;
    });
}

void SeqEditor::open() {
    if (!checking_) newEngine();
    activeWorkspace = 0;
    workspaceText = {};
    workspaceName = {};
    recentSlot = 0;
    lastDirectory.clear();
    editorColor = kWhite;
    for (int i = 1; i <= 4; ++i)
        setRecent(i, "");
    stateFlag = 1;
    readLastUsed();
    readOptions();
    showOptions();

    platform::setCurrentDirectory(platform::kProgramDataDir);
    showText(std::string(kFirstStartTemplate));
    const bool known = std::any_of(kEditorColours.begin(), kEditorColours.end(),
                                   [this](const EditorColour& c) { return c.rgb == editorColor; });
    if (known) {
        setEditorColour(editorColor);
    } else {
        // A colour of no menu item is kept in the file but not shown.
        for (const EditorColour& colour : kEditorColours)
            control(colour.menu).setChecked(false);
        paintBoxes(kWhite);
    }
    for (int i = 0; i < 2; ++i)
        workspaceText[static_cast<std::size_t>(i)] =
            common::cp1252ToUtf8(readOrEmpty(kWorkspaceFiles[static_cast<std::size_t>(i)]));
    if (!workspaceText[0].empty()) showText(workspaceText[0]);

    control("TestSeqEditor").setCaption(kEditorCaption);
    control("File1Button").setChecked(true);
    control("File2Button").setChecked(false);
    control("Text1").setText("");
    setMessage("");
    setErrorLine(0);
    if (!statusObserver_)
        statusObserver_ = host_.panel().controls().addObserver(
            [this](const panel::Control& c, panel::Property property) {
                if (property == panel::Property::Caption && c.name() == "Status")
                    control("Text2").setText(c.caption());
            });
    control("Text2").setText(host_.status());
    open_ = true;
}

void SeqEditor::saveState() {
    writeLastUsed();
    storeText();
    for (std::size_t i = 0; i < 2; ++i)
        writeIgnoringErrors(kWorkspaceFiles[i], common::utf8ToCp1252(workspaceText[i]));
}

void SeqEditor::close() {
    if (!open_) return;
    saveState();
    if (statusObserver_) host_.panel().controls().removeObserver(statusObserver_);
    statusObserver_ = 0;
    open_ = false;
}

// ---- text ---------------------------------------------------------------------------

const std::string& SeqEditor::text() const {
    return controls_["txtEditor"].text();
}

void SeqEditor::showText(std::string text) {
    lineBreak_ = lineBreakOf(text);
    caret_ = {};
    control("txtEditor").setText(text);
}

void SeqEditor::userEdited(std::string_view textWithLf) {
    // A window restyling its text reports it unchanged: keep the bytes.
    if (withLfBreaks(this->text()) == textWithLf) return;
    std::string text;
    text.reserve(textWithLf.size() + textWithLf.size() / 16);
    for (char c : textWithLf) {
        if (c == '\n')
            text += lineBreak_;
        else
            text += c;
    }
    control("txtEditor").setText(text);
}

void SeqEditor::storeText() {
    workspaceText[static_cast<std::size_t>(activeWorkspace)] = text();
}

void SeqEditor::setRecent(int index, std::string_view path) {
    panel::Control& entry = control(recentControl(index));
    entry.setCaption(path);
    entry.setVisible(!path.empty());
}

void SeqEditor::setCaption(std::string_view path) {
    control("TestSeqEditor")
        .setCaption(std::string(kEditorCaption) + std::string(kEditorCaptionSeparator) +
                    std::string(path));
}

void SeqEditor::setMessage(std::string_view text) {
    control("Text3").setText(text);
}

void SeqEditor::setErrorLine(int line) {
    if (errorLine_ == line) return;
    errorLine_ = line;
    if (onErrorLineChanged) onErrorLineChanged();
}

void SeqEditor::DetermineLine() {
    const std::string& all = text();
    control("Text1").setText(std::to_string(
        sequencer::DetermineLine(std::string_view(all).substr(0, caretOffset(all, caret_)))));
}

void SeqEditor::SetLineAndColumn(int line, int column) {
    caret_ = clampCaret(text(), line, column);
    if (onPlaceCaret) onPlaceCaret();
}

// ---- commands ------------------------------------------------------------------------

void SeqEditor::switchWorkspace(int index) {
    storeText();
    activeWorkspace = static_cast<std::int16_t>(index);
    control("File1Button").setChecked(index == 0);
    control("File2Button").setChecked(index == 1);
    const auto i = static_cast<std::size_t>(index);
    setCaption(workspaceName[i]);
    showText(workspaceText[i]);
    setErrorLine(0);
    if (onPlaceCaret) onPlaceCaret();
}

void SeqEditor::mnuNew_Click() {
    const auto i = static_cast<std::size_t>(activeWorkspace);
    workspaceText[i] = kRunseqTemplate;
    workspaceName[i].clear();
    showText(workspaceText[i]);
    setCaption("");
    setErrorLine(0);
}

void SeqEditor::mnuClear_Click() {
    const auto i = static_cast<std::size_t>(activeWorkspace);
    showText("");
    workspaceText[i].clear();
    workspaceName[i].clear();
    setCaption("");
    setErrorLine(0);
}

void SeqEditor::mnuLoad_Click() {
    const std::optional<std::string> chosen =
        platform::chooseFile(dialogs_, false, kSequenceFileFilter, lastDirectory);
    if (!chosen || chosen->empty()) return;
    if (!loadFile(*chosen)) return;
    recentSlot = static_cast<std::int16_t>(recentSlot % 4 + 1);
    setRecent(recentSlot, *chosen);
    lastDirectory = directoryOf(*chosen);
    writeLastUsed();
}

bool SeqEditor::loadFile(std::string_view path) {
    std::string bytes;
    try {
        bytes = platform::readFileBytes(path);
    } catch (const common::VbError& e) {
        dialogs_.message("", "Error" + common::errorNumberText(e.number()) + " reading " +
                                 std::string(path) + ".\r\n" + e.description());
        return false;
    }
    const auto i = static_cast<std::size_t>(activeWorkspace);
    workspaceName[i] = path;
    setCaption(path);
    workspaceText[i] = common::cp1252ToUtf8(bytes);
    showText(workspaceText[i]);
    setErrorLine(0);
    if (onPlaceCaret) onPlaceCaret();
    return true;
}

void SeqEditor::flastfile_Click(int index) {
    if (index < 1 || index > 4) return;
    const std::string path = control(recentControl(index)).caption();
    if (!path.empty()) loadFile(path);
}

void SeqEditor::mnuSave_Click() {
    storeText();
    const std::optional<std::string> chosen =
        platform::chooseFile(dialogs_, true, kSequenceFileFilter, lastDirectory);
    if (!chosen || chosen->empty()) return;
    try {
        platform::writeFileAtomic(
            *chosen,
            common::utf8ToCp1252(workspaceText[static_cast<std::size_t>(activeWorkspace)]));
    } catch (const common::VbError& e) {
        dialogs_.message("", "Error" + common::errorNumberText(e.number()) + " saving " + *chosen +
                                 ".\r\n" + e.description());
        return;
    }
    setCaption(*chosen);
}

void SeqEditor::mnuErrTest_Click() {
    if (checking_ || !engine_) return;
    const std::string code = text(); // a waiting check lets the user edit the text
    checking_ = true;
    stopCheck_ = false;
    control("mnuErrTest").setEnabled(false);
    const bool ok = engine_->addCode(code);
    control("mnuErrTest").setEnabled(true);
    checking_ = false;
    if (ok) {
        setMessage(kPassedErrorCheck);
        setErrorLine(0);
        return;
    }
    const script::ErrorInfo& error = engine_->lastError();
    setMessage(error.description + " at line " + std::to_string(error.line));
    setErrorLine(error.line);
    SetLineAndColumn(error.line, 1);
}

void SeqEditor::mnuClrErr_Click() {
    setMessage("");
}

void SeqEditor::mnuAutoload_Click() {
    host_.seqCode = text();
    // Each hand-over is its own unit, so a run's error can be traced to this text.
    autoloadUnit_ = "TestSeqEditor#" + std::to_string(++autoloadCount_);
    setMessage(host_.AutoAdd(autoloadUnit_));
}

void SeqEditor::run() {
    if (host_.running() || checking_) return;
    mnuAutoload_Click();
    if (controls_["Text3"].text() != kAutoloadComplete) {
        const script::ErrorInfo& error = host_.engine().lastError();
        setMessage(error.description + " at line " + std::to_string(error.line));
        setErrorLine(error.line);
        SetLineAndColumn(error.line, 1);
        return;
    }
    setErrorLine(0);
    const std::string unit = autoloadUnit_;
    control("mnuRun").setEnabled(false);
    host_.panel().controls()["SeqRun"].click();
    control("mnuRun").setEnabled(true);
    const std::optional<script::ErrorInfo>& result = host_.lastRunResult();
    if (!result || result->number == 0) return;
    setMessage(host_.status());
    if (result->unit != unit) return;
    setErrorLine(result->line);
    SetLineAndColumn(result->line, 1);
}

void SeqEditor::stop() {
    if (checking_) stopCheck_ = true;
    host_.panel().controls()["SeqEnd"].click();
}

// ---- colour and options ---------------------------------------------------------------

void SeqEditor::setEditorColour(std::uint32_t rgb) {
    editorColor = rgb;
    for (const EditorColour& colour : kEditorColours)
        control(colour.menu).setChecked(colour.rgb == rgb);
    paintBoxes(rgb);
}

void SeqEditor::paintBoxes(std::uint32_t rgb) {
    control("txtEditor").setColour(rgb);
    for (std::string_view box : kTextBoxes)
        control(box).setColour(rgb);
}

void SeqEditor::setOptions(const EditorOptions& options) {
    options_ = options;
    showOptions();
    writeOptions();
}

void SeqEditor::showOptions() {
    for (const OptionField& option : kOptionFields)
        control(option.menu).setChecked(options_.*option.field);
    control("mnuArialFont").setChecked(!options_.fixedFont);
}

void SeqEditor::readOptions() {
    const std::string bytes = readOrEmpty(kEditorOptionsFile);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string_view line = std::string_view(bytes).substr(start, end - start);
        start = end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view value = line.substr(equals + 1);
        if (value != "0" && value != "1") continue;
        for (const OptionField& option : kOptionFields)
            if (line.substr(0, equals) == option.name) options_.*option.field = value == "1";
    }
}

void SeqEditor::writeOptions() const {
    std::string bytes;
    for (const OptionField& option : kOptionFields)
        bytes += std::string(option.name) + "=" + (options_.*option.field ? "1" : "0") + "\r\n";
    writeIgnoringErrors(kEditorOptionsFile, bytes);
}

// ---- lastused.txt ------------------------------------------------------------------------

void SeqEditor::readLastUsed() {
    const std::string bytes = readOrEmpty(kLastUsedFile);
    if (bytes.empty()) return;
    // Values are taken in order as far as the file has them.
    try {
        common::SeqReader in(bytes);
        for (int i = 1; i <= 4; ++i)
            setRecent(i, in.readText());
        lastDirectory = in.readText();
        stateFlag = in.readInt16();
        editorColor = colourFromNumber(in.readInt32());
    } catch (const common::VbError&) {
    }
}

void SeqEditor::writeLastUsed() const {
    common::SeqWriter out;
    for (int i = 1; i <= 4; ++i)
        out.writeText(controls_[recentControl(i)].caption());
    out.writeText(lastDirectory);
    out.writeInteger(stateFlag);
    out.writeInteger(colourNumber(editorColor));
    writeIgnoringErrors(kLastUsedFile, out.bytes());
}

} // namespace sequencer
