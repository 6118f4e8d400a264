#include "platform/file_choice.h"

#include "common/text.h"
#include "platform/files.h"

namespace platform {

std::string dialogStartDirectory(std::string_view defaultDirectory) {
    return defaultDirectory.empty() ? std::string(kProgramDataDir) : std::string(defaultDirectory);
}

std::string selectingFileError(int errorNumber, std::string_view description) {
    return "Error" + common::errorNumberText(errorNumber) + " selecting file.\r\n" +
           std::string(description);
}

std::optional<std::string> chooseFile(Dialogs& dialogs, bool save, std::string_view filter,
                                      std::string_view defaultDirectory) {
    FileDialogRequest request;
    request.save = save;
    request.filter = filter;
    request.startDirectory = dialogStartDirectory(defaultDirectory);
    setCurrentDirectory(request.startDirectory);
    FileDialogResult result = dialogs.chooseFile(request);
    if (result.cancelled) return std::nullopt;
    if (result.errorNumber != 0) {
        dialogs.message("", selectingFileError(result.errorNumber, result.errorDescription));
        return std::string();
    }
    return result.path;
}

} // namespace platform
