#pragma once
// Dialogs for tests and headless runs: every file dialog and Yes/No question
// takes the next queued answer, every request is recorded, and message boxes
// can be echoed to a stream, one line each.

#include "platform/dialogs.h"

#include <cstddef>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace platform {

class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { OpenFile, SaveFile, Question, Message };

    // One request as the program made it, in order.
    struct Record {
        Kind kind = Kind::Message;
        std::string title;
        std::string text;            // question or message text; empty for file dialogs
        FileDialogRequest file;      // file dialogs only
        FileDialogResult fileResult; // what the file dialog returned
        Answer answer = Answer::No;  // what the question was answered
    };

    // Answers for the coming file dialogs, first queued first used. With the
    // queue empty a file dialog is cancelled.
    void queueFile(std::string path);
    void queueCancel();
    void queueFileError(int errorNumber, std::string description);
    void queueFileResult(FileDialogResult result);

    // Answers for the coming Yes/No questions; with the queue empty the
    // default answer (No unless set) is given.
    void queueAnswer(Answer answer);
    void setDefaultAnswer(Answer answer) { defaultAnswer_ = answer; }

    // Writes each message box and question to the stream as one line,
    // "title: text" (just the text when the title is empty), line breaks
    // inside the text shown as " / "; a question ends with " [Yes]" or
    // " [No]". nullptr switches echoing off. The stream must outlive its use.
    void setEcho(std::ostream* echo) { echo_ = echo; }

    FileDialogResult chooseFile(const FileDialogRequest& request) override;
    Answer askYesNo(const std::string& title, const std::string& text) override;
    void message(const std::string& title, const std::string& text) override;

    const std::vector<Record>& records() const { return records_; }
    std::vector<Record> records(Kind kind) const;
    // The texts of the message boxes shown, in order.
    std::vector<std::string> messageTexts() const;
    void clearRecords() { records_.clear(); }

    std::size_t pendingFileAnswers() const { return fileAnswers_.size(); }
    std::size_t pendingAnswers() const { return answers_.size(); }

    // The one-line form of a message box used for echoing.
    static std::string oneLine(const std::string& title, const std::string& text);

private:
    void echo(const std::string& line);

    std::deque<FileDialogResult> fileAnswers_;
    std::deque<Answer> answers_;
    Answer defaultAnswer_ = Answer::No;
    std::ostream* echo_ = nullptr;
    std::vector<Record> records_;
};

} // namespace platform
