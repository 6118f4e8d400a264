#pragma once
// Choosing a file the way every file command of the program does it: start in
// the user's default data directory (or the program's own data directory when
// none is set), which also becomes the current directory; cancel ends the
// command quietly; any other dialog failure shows
//   "Error <number> selecting file." CR LF <description>
// in a message box with no title of its own.

#include "platform/dialogs.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The directory file dialogs start in: defaultDirectory, or "c:\QEX_ARV1files"
// when that is empty.
std::string dialogStartDirectory(std::string_view defaultDirectory);

// The message text for a failed dialog.
std::string selectingFileError(int errorNumber, std::string_view description);

// Shows the dialog. Returns the chosen path (possibly empty after a dialog
// error), or nothing when the user cancelled.
std::optional<std::string> chooseFile(Dialogs& dialogs, bool save, std::string_view filter,
                                      std::string_view defaultDirectory);

} // namespace platform
