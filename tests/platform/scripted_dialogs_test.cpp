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

TEST(ScriptedDialogs, QueuedAnswersAreUsedInOrder) {
    ScriptedDialogs dialogs;
    dialogs.queueFile("c:\\QEX_ARV1files\\bench.atp");
    dialogs.queueCancel();
    dialogs.queueFileError(75, "Path/File access error");
    dialogs.queueAnswer(Answer::Yes);
    dialogs.queueAnswer(Answer::No);
    dialogs.queueAnswer(Answer::Yes);
    EXPECT_EQ(dialogs.pendingFileAnswers(), 3u);
    EXPECT_EQ(dialogs.pendingAnswers(), 3u);

    auto first = dialogs.chooseFile(request(false, "a|*.a"));
    EXPECT_FALSE(first.cancelled);
    EXPECT_EQ(first.path, "c:\\QEX_ARV1files\\bench.atp");
    EXPECT_TRUE(dialogs.chooseFile(request(true, "a|*.a")).cancelled);
    auto third = dialogs.chooseFile(request(false, "a|*.a"));
    EXPECT_FALSE(third.cancelled);
    EXPECT_EQ(third.errorNumber, 75);
    EXPECT_EQ(third.errorDescription, "Path/File access error");
    EXPECT_TRUE(dialogs.chooseFile(request(false, "a|*.a")).cancelled); // queue used up

    EXPECT_EQ(dialogs.askYesNo("", "1"), Answer::Yes);
    EXPECT_EQ(dialogs.askYesNo("", "2"), Answer::No);
    EXPECT_EQ(dialogs.askYesNo("", "3"), Answer::Yes);
    EXPECT_EQ(dialogs.askYesNo("", "4"), Answer::No);
    EXPECT_EQ(dialogs.pendingFileAnswers(), 0u);
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
}

TEST(ScriptedDialogs, RecordsEveryRequestInOrder) {
    ScriptedDialogs dialogs;
    dialogs.queueFile("x.dsa");
    auto save = request(true, "SA Data Files|*.dsa;");
    save.title = "Save spectrum";
    dialogs.chooseFile(save);
    dialogs.message("", "Error 53 selecting file.\r\nFile not found");
    dialogs.queueAnswer(Answer::Yes);
    dialogs.askYesNo("Editor", "Save changes?");
    dialogs.chooseFile(request(false, "Limit Files|*.dfl;"));

    using Kind = ScriptedDialogs::Kind;
    const auto& records = dialogs.records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].kind, Kind::SaveFile);
    EXPECT_EQ(records[0].title, "Save spectrum");
    EXPECT_EQ(records[0].file.filter, "SA Data Files|*.dsa;");
    EXPECT_EQ(records[0].file.startDirectory, "c:\\QEX_ARV1files");
    EXPECT_EQ(records[0].fileResult.path, "x.dsa");
    EXPECT_EQ(records[1].kind, Kind::Message);
    EXPECT_EQ(records[1].text, "Error 53 selecting file.\r\nFile not found");
    EXPECT_EQ(records[2].kind, Kind::Question);
    EXPECT_EQ(records[2].title, "Editor");
    EXPECT_EQ(records[2].answer, Answer::Yes);
    EXPECT_EQ(records[3].kind, Kind::OpenFile);
    EXPECT_TRUE(records[3].fileResult.cancelled);

    EXPECT_EQ(dialogs.records(Kind::OpenFile).size(), 1u);
    EXPECT_EQ(dialogs.messageTexts(),
              std::vector<std::string>{"Error 53 selecting file.\r\nFile not found"});
    dialogs.clearRecords();
    EXPECT_TRUE(dialogs.records().empty());
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
}

} // namespace
