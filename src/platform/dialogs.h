#pragma once
// The dialogs seam: file open/save dialogs, Yes/No questions and message
// boxes. The Qt implementation lives in the app; ScriptedDialogs answers from
// a queue for tests and headless runs.

#include <optional>
#include <string>

namespace platform {

struct FileDialogRequest {
    bool save = false;            // Save dialog, else Open
    std::string title;            // may be empty
    std::string filter;           // "Description|*.ext;|Other|*.*" pairs
    std::string startDirectory;   // as the program names it (mapped by the dialog)
    std::string fileName;         // initial name, usually empty
};

struct FileDialogResult {
    bool cancelled = false;       // cancel is a result, not an error
    std::string path;             // chosen path when not cancelled
    int errorNumber = 0;          // non-zero: the dialog itself failed
    std::string errorDescription;
};

enum class Answer { Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual FileDialogResult chooseFile(const FileDialogRequest& request) = 0;
    virtual Answer askYesNo(const std::string& title, const std::string& text) = 0;
    virtual void message(const std::string& title, const std::string& text) = 0;
};

} // namespace platform
