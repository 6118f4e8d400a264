#include "platform/scripted_dialogs.h"

#include <utility>

namespace platform {

void ScriptedDialogs::queueFile(std::string path) {
    FileDialogResult result;
    result.path = std::move(path);
    fileAnswers_.push_back(std::move(result));
}

void ScriptedDialogs::queueCancel() {
    FileDialogResult result;
    result.cancelled = true;
    fileAnswers_.push_back(std::move(result));
}

void ScriptedDialogs::queueFileError(int errorNumber, std::string description) {
    FileDialogResult result;
    result.errorNumber = errorNumber;
    result.errorDescription = std::move(description);
    fileAnswers_.push_back(std::move(result));
}

void ScriptedDialogs::queueFileResult(FileDialogResult result) {
    fileAnswers_.push_back(std::move(result));
}

void ScriptedDialogs::queueAnswer(Answer answer) {
    answers_.push_back(answer);
}

FileDialogResult ScriptedDialogs::chooseFile(const FileDialogRequest& request) {
    FileDialogResult result;
    if (fileAnswers_.empty()) {
        result.cancelled = true;
    } else {
        result = std::move(fileAnswers_.front());
        fileAnswers_.pop_front();
    }
    Record record;
    record.kind = request.save ? Kind::SaveFile : Kind::OpenFile;
    record.title = request.title;
    record.file = request;
    record.fileResult = result;
    records_.push_back(std::move(record));
    return result;
}

Answer ScriptedDialogs::askYesNo(const std::string& title, const std::string& text) {
    Answer answer = defaultAnswer_;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    Record record;
    record.kind = Kind::Question;
    record.title = title;
    record.text = text;
    record.answer = answer;
    records_.push_back(std::move(record));
    echo(oneLine(title, text) + (answer == Answer::Yes ? " [Yes]" : " [No]"));
    return answer;
}

void ScriptedDialogs::message(const std::string& title, const std::string& text) {
    Record record;
    record.kind = Kind::Message;
    record.title = title;
    record.text = text;
    records_.push_back(std::move(record));
    echo(oneLine(title, text));
}

std::vector<ScriptedDialogs::Record> ScriptedDialogs::records(Kind kind) const {
    std::vector<Record> result;
    for (const auto& record : records_) {
        if (record.kind == kind) result.push_back(record);
    }
    return result;
}

std::vector<std::string> ScriptedDialogs::messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& record : records_) {
        if (record.kind == Kind::Message) texts.push_back(record.text);
    }
    return texts;
}

std::string ScriptedDialogs::oneLine(const std::string& title, const std::string& text) {
    std::string line = title.empty() ? std::string() : title + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i; // CR LF is one break
            line += " / ";
        } else {
            line += c;
        }
    }
    return line;
}

void ScriptedDialogs::echo(const std::string& line) {
    if (echo_) {
        *echo_ << line << '\n';
        echo_->flush();
    }
}

} // namespace platform
