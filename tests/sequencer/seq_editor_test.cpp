// The sequence editor without its window: state files, workspaces, the
// recent list, the syntax check, AutoLoad and Run, the caret and the colours.

#include "seq_fixture.h"
#include "sequencer/seq_editor.h"

#include <memory>

namespace {

using sequencer::Caret;
using sequencer::kFirstStartTemplate;
using sequencer::kRunseqTemplate;
using Texts = std::vector<std::string>;

class SeqEditorTest : public SequencerTest {
protected:
    void SetUp() override {
        SequencerTest::SetUp();
        editor = std::make_unique<sequencer::SeqEditor>(host, dialogs);
        editor->onPlaceCaret = [this] { ++caretPlaced; };
    }
    // Closes the editor and opens a new one, as a restart of the program does.
    void restart() {
        editor->close();
        editor = std::make_unique<sequencer::SeqEditor>(host, dialogs);
        editor->open();
    }
    void load(const std::string& name) {
        dialogs.queueFile((dir / name).string());
        e("mnuLoad").click();
    }
    std::string caption() { return e("TestSeqEditor").caption(); }
    panel::Control& e(std::string_view name) { return editor->controls()[name]; }
    Texts recent() {
        Texts list;
        for (int i = 1; i <= 4; ++i)
            list.push_back(e("flastfile" + std::to_string(i)).caption());
        return list;
    }

    std::unique_ptr<sequencer::SeqEditor> editor;
    int caretPlaced = 0;
};

TEST_F(SeqEditorTest, FirstStartWithoutStateFiles) {
    editor->open();
    EXPECT_EQ(editor->text(), kFirstStartTemplate);
    EXPECT_EQ(caption(), "Test Sequence Editor");
    EXPECT_EQ(recent(), Texts(4, ""));
    EXPECT_FALSE(e("flastfile1").visible());
    EXPECT_TRUE(e("mnuWhite").checked());
    EXPECT_EQ(e("txtEditor").colour(), 0xFFFFFFu);
    EXPECT_TRUE(e("File1Button").checked());
    editor->close();
    EXPECT_EQ(read("lastused.txt"), "\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n16777215\r\n");
    EXPECT_EQ(read("SeqEditor1.txt"), kFirstStartTemplate);
    EXPECT_EQ(read("SeqEditor2.txt"), "");
}

TEST_F(SeqEditorTest, FiveLoadsInARowWrapTheRecentList) {
    editor->open();
    for (int i = 1; i <= 5; ++i)
        write("seq" + std::to_string(i) + ".dfs", "' sequence " + std::to_string(i) + "\r\n");
    for (int i = 1; i <= 5; ++i)
        load("seq" + std::to_string(i) + ".dfs");
    const std::string path5 = (dir / "seq5.dfs").string();
    EXPECT_EQ(recent(), (Texts{path5, (dir / "seq2.dfs").string(), (dir / "seq3.dfs").string(),
                               (dir / "seq4.dfs").string()}));
    EXPECT_EQ(editor->text(), "' sequence 5\r\n");
    EXPECT_EQ(caption(), "Test Sequence Editor   " + path5);
    EXPECT_EQ(editor->lastDirectory, dir.string() + "/");
    EXPECT_EQ(dialogs.records().back().file.startDirectory, dir.string() + "/");
    // Each load writes lastused.txt at once.
    EXPECT_EQ(read("lastused.txt").substr(0, path5.size() + 4), "\"" + path5 + "\"\r\n");

    // A recent entry loads its file; it does not enter the list again.
    e("flastfile3").click();
    EXPECT_EQ(editor->text(), "' sequence 3\r\n");
    EXPECT_EQ(recent()[0], path5);

    // A file that cannot be read changes nothing but says why.
    load("missing.dfs");
    EXPECT_EQ(dialogs.messageTexts().back(),
              "Error 53 reading " + (dir / "missing.dfs").string() + ".\r\nFile not found");
    EXPECT_EQ(editor->text(), "' sequence 3\r\n");
    EXPECT_EQ(recent()[1], (dir / "seq2.dfs").string());

    // After a restart the list is kept and the next load replaces entry 1 again.
    restart();
    EXPECT_EQ(recent()[0], path5);
    load("seq1.dfs");
    EXPECT_EQ(recent()[0], (dir / "seq1.dfs").string());
    EXPECT_EQ(recent()[1], (dir / "seq2.dfs").string());
}

TEST_F(SeqEditorTest, WorkspacesKeepTheirTextAcrossSwitches) {
    editor->open();
    e("File2Button").click();
    EXPECT_TRUE(e("File2Button").checked());
    EXPECT_FALSE(e("File1Button").checked());
    e("mnuNew").click();
    EXPECT_EQ(editor->text(), kRunseqTemplate);
    EXPECT_EQ(caption(), "Test Sequence Editor   ");
    e("File1Button").click();
    EXPECT_EQ(editor->text(), kFirstStartTemplate);
    editor->userEdited("' one\n");
    e("File2Button").click();
    EXPECT_EQ(editor->text(), kRunseqTemplate);
    e("mnuClear").click();
    EXPECT_EQ(editor->text(), "");
    e("File1Button").click();
    EXPECT_EQ(editor->text(), "' one\r\n");
    EXPECT_EQ(caretPlaced, 4);

    // Save As writes the active workspace under a new name, which only the caption shows.
    dialogs.queueFile((dir / "saved.dfs").string());
    e("mnuSave").click();
    EXPECT_EQ(read("saved.dfs"), "' one\r\n");
    EXPECT_EQ(caption(), "Test Sequence Editor   " + (dir / "saved.dfs").string());
    EXPECT_EQ(editor->workspaceName[0], "");
    EXPECT_EQ(recent(), Texts(4, ""));
    dialogs.queueFile((dir / "no" / "such.dfs").string());
    e("mnuSave").click();
    EXPECT_EQ(dialogs.messageTexts().back(),
              "Error 76 saving " + (dir / "no" / "such.dfs").string() + ".\r\nPath not found");
}

TEST_F(SeqEditorTest, RestartRestoresBothWorkspacesAndTheColour) {
    editor->open();
    editor->userEdited("' first\n");
    e("File2Button").click();
    editor->userEdited("' second\n");
    e("mnuYellow").click();
    EXPECT_EQ(e("Text3").colour(), 0xF9F3D5u);
    EXPECT_FALSE(e("mnuWhite").checked());
    restart();
    EXPECT_EQ(editor->text(), "' first\r\n");
    EXPECT_TRUE(e("mnuYellow").checked());
    EXPECT_EQ(e("txtEditor").colour(), 0xF9F3D5u);
    e("File2Button").click();
    EXPECT_EQ(editor->text(), "' second\r\n");
    // Yellow as the classic colour number: 249 + 243 * 256 + 213 * 65536.
    EXPECT_NE(read("lastused.txt").find("\r\n14021625\r\n"), std::string::npos);
}

// Text that is no Windows-1252 (unassigned bytes, UTF-8, a NUL, LF line ends)
// comes back byte for byte, and an edit keeps the file's line ends.
TEST_F(SeqEditorTest, WorkspaceBytesSurviveUnchanged) {
    const std::string odd = std::string("' \x81\x8D\x8F\x90\x9D \xC3\xA9 \x00 x\n", 15) + "y\n";
    write("SeqEditor1.txt", odd);
    write("SeqEditor2.txt", "a\rb");
    write("odd.dfs", odd);
    editor->open();
    load("odd.dfs");
    dialogs.queueFile((dir / "copy.dfs").string());
    e("mnuSave").click();
    EXPECT_EQ(read("copy.dfs"), odd);
    // The window reporting the same text with its own line breaks is no edit.
    e("File2Button").click();
    editor->userEdited("a\nb");
    editor->close();
    EXPECT_EQ(read("SeqEditor1.txt"), odd);
    EXPECT_EQ(read("SeqEditor2.txt"), "a\rb");

    editor->open();
    editor->userEdited("x\ny\n");
    editor->close();
    EXPECT_EQ(read("SeqEditor1.txt"), "x\ny\n");
}

TEST_F(SeqEditorTest, BrokenStateFilesLeaveTheDefaults) {
    write("lastused.txt", "\"a.dfs\"\r\n\"b.dfs\"\r\n");
    editor->open();
    EXPECT_EQ(recent(), (Texts{"a.dfs", "b.dfs", "", ""}));
    EXPECT_TRUE(e("flastfile2").visible());
    EXPECT_FALSE(e("flastfile3").visible());
    EXPECT_TRUE(e("mnuWhite").checked());
    e("mnuYellow").click();
    write("lastused.txt", "\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n12345\r\n");
    editor->open();
    for (const auto& colour : sequencer::kEditorColours)
        EXPECT_FALSE(e(colour.menu).checked()) << colour.menu;
    EXPECT_EQ(e("Text3").colour(), 0xFFFFFFu);
    write("lastused.txt", "\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n0\r\n");
    editor->open();
    EXPECT_TRUE(e("mnuWhite").checked());
    EXPECT_EQ(sequencer::colourFromNumber(sequencer::colourNumber(0xBDD6EA)), 0xBDD6EAu);
}

// The window's options live in their own file; lastused.txt keeps seven values.
TEST_F(SeqEditorTest, OptionsAreKeptApart) {
    editor->open();
    e("mnuLineNumbers").click();
    e("mnuArialFont").click();
    EXPECT_FALSE(e("mnuFixedFont").checked());
    restart();
    EXPECT_FALSE(editor->options().lineNumbers);
    EXPECT_FALSE(editor->options().fixedFont);
    EXPECT_TRUE(editor->options().syntaxColouring);
    EXPECT_TRUE(e("mnuArialFont").checked());
    EXPECT_EQ(read("lastused.txt"), "\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n16777215\r\n");
}

TEST_F(SeqEditorTest, SyntaxCheckOnTheEditorsOwnEngine) {
    editor->open();
    // Top-level statements run, with the instrument's functions known.
    editor->userEdited("genfreq \"1500\"\nMathFunction.genlevelL \"-3\"\n");
    e("mnuErrTest").click();
    EXPECT_EQ(e("Text3").text(), "Passed Error Check.");
    EXPECT_EQ(c("GenFreq1").text(), "1500");
    EXPECT_EQ(c("LeftGenLevel").text(), "-3");

    editor->userEdited("Function RUNSEQ()\nx = 1\nIf Then\nEnd Function\n");
    editor->setCaret({4, 3});
    e("mnuErrTest").click();
    const script::ErrorInfo& error = editor->engine()->lastError();
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(e("Text3").text(), error.description + " at line 3");
    EXPECT_EQ(editor->caret(), (Caret{3, 1}));
    EXPECT_EQ(editor->errorLine(), 3);
    EXPECT_EQ(caretPlaced, 1);
    e("mnuClrErr").click();
    EXPECT_EQ(e("Text3").text(), "");
    // The check's code stays apart from the main panel's engine.
    EXPECT_FALSE(host.engine().hasProcedure("RUNSEQ"));
}

TEST_F(SeqEditorTest, AutoLoadAndRunThroughTheMainPanel) {
    editor->open();
    editor->userEdited("Function RUNSEQ(\n");
    e("mnuAutoload").click();
    EXPECT_EQ(e("Text3").text(), "Error in Script.");
    EXPECT_EQ(host.status(), "Error in Script.");
    EXPECT_EQ(e("Text2").text(), "Error in Script.");

    editor->userEdited(seq("keep \"ran\""));
    e("mnuAutoload").click();
    EXPECT_EQ(e("Text3").text(), "Code autoloading complete.");
    EXPECT_TRUE(host.engine().hasProcedure("RUNSEQ"));

    e("mnuRun").click();
    EXPECT_EQ(kept, Texts{"ran"});
    EXPECT_EQ(e("Text2").text(), "Status - OK");

    // Stop is END.
    loop.post([&] { e("mnuStop").click(); }, 2500);
    editor->userEdited(seq("Do While Not checkend\nwaitfor 1\nLoop\nkeep \"ended\""));
    e("mnuRun").click();
    EXPECT_EQ(kept.back(), "ended");
    EXPECT_EQ(loop.nowMs(), 3000);
}

TEST(SeqEditorCaret, LineNumbersAndPlacement) {
    using sequencer::DetermineLine;
    EXPECT_EQ(DetermineLine(""), 1);
    EXPECT_EQ(DetermineLine("abc"), 1);
    EXPECT_EQ(DetermineLine("a\r\nb"), 2);
    EXPECT_EQ(DetermineLine("a\nb\rc"), 3);
    // Right after a line break the text needs no break appended: the line before.
    EXPECT_EQ(DetermineLine("a\r\n"), 1);
    EXPECT_EQ(DetermineLine("a\r\n\r\n"), 2);

    const std::string text = "ab\r\n\xC3\xA9t\xC3\xA9\r\nlast";
    EXPECT_EQ(sequencer::clampCaret(text, 0, 0), (Caret{1, 1}));
    EXPECT_EQ(sequencer::clampCaret(text, 2, 99), (Caret{2, 4}));
    EXPECT_EQ(sequencer::clampCaret(text, 99, 2), (Caret{3, 2}));
    EXPECT_EQ(sequencer::caretOffset(text, {2, 3}), 7u);
    EXPECT_EQ(sequencer::caretOffset(text, {2, 4}), 9u);
}

TEST_F(SeqEditorTest, Text1ShowsTheCaretsLine) {
    editor->open();
    editor->userEdited("a\nbb\nc");
    editor->setCaret({2, 2});
    editor->DetermineLine();
    EXPECT_EQ(e("Text1").text(), "2");
    editor->SetLineAndColumn(3, 5);
    EXPECT_EQ(editor->caret(), (Caret{3, 2}));
    editor->DetermineLine();
    EXPECT_EQ(e("Text1").text(), "3");
}

} // namespace
