// The scripted dialogs as the headless runner uses them: nothing queued, so
// file dialogs cancel, questions get the default and messages are echoed.
// Their queues and records are the test double's, exercised by every test
// that answers a dialog.

#include "platform/scripted_dialogs.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using platform::Answer;
using platform::FileDialogRequest;
using platform::ScriptedDialogs;

FileDialogRequest request(bool save, std::string filter) {
    FileDialogRequest r;
    r.save = save;
    r.filter = std::move(filter);
    r.startDirectory = "c:\\QEX_ARV1files";
    return r;
}

TEST(ScriptedDialogs, WithNothingQueuedFileDialogsCancelAndQuestionsGetTheDefault) {
    ScriptedDialogs dialogs;
    const auto result = dialogs.chooseFile(request(false, "Limit Files|*.dfl;"));
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.path.empty());
    EXPECT_EQ(result.errorNumber, 0);
    EXPECT_EQ(dialogs.askYesNo("t", "q"), Answer::No);
    dialogs.setDefaultAnswer(Answer::Yes);
    EXPECT_EQ(dialogs.askYesNo("t", "q"), Answer::Yes);
}

TEST(ScriptedDialogs, EchoesMessageBoxesOneLineEach) {
    ScriptedDialogs dialogs;
    std::ostringstream out;
    dialogs.setEcho(&out);
    dialogs.message("QEX ARV-1", "Error 53 selecting file.\r\nFile not found");
    dialogs.message("", "one\ntwo\rthree\n\nfour");
    dialogs.askYesNo("Editor", "Save changes?");
    dialogs.chooseFile(request(false, "a|*.a")); // file dialogs are not echoed
    dialogs.setEcho(nullptr);
    dialogs.message("", "not echoed");
    EXPECT_EQ(out.str(), "QEX ARV-1: Error 53 selecting file. / File not found\n"
                         "one / two / three /  / four\n"
                         "Editor: Save changes? [No]\n");
    // The runner counts the messages shown.
    EXPECT_EQ(dialogs.records(ScriptedDialogs::Kind::Message).size(), 3u);
    EXPECT_EQ(dialogs.messageTexts().back(), "not echoed");
}

} // namespace
