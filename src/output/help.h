#pragma once
// The help window without its window: two rich-text (HTML) documents, the
// main help and the sound card tips, that the menu item mnuTips switches
// between (its caption names the other document), mnuSave, which keeps a
// copy of the shown document in the user's data directory (never in the
// installation), and mnuPrint, which prints its text.
//
// The documents are installed with the program and found relative to the
// executable: next to it in "help" (the build tree), or in
// "../share/qex-arv1/help" (an installation with the executable in "bin").
//
// Thread: the instrument's thread only.

#include "panel/controls.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace output {

class Printing;

inline constexpr std::string_view kMainHelpFile = "help.html";
inline constexpr std::string_view kTipsFile = "soundcard-tips.html";
inline constexpr std::string_view kTipsCaption = "Soundcard Tips";
inline constexpr std::string_view kMainHelpCaption = "Return to Main Help";

// The help directory of the program whose executable is in executableDir,
// or nothing when neither place holds the main help.
std::optional<std::filesystem::path> findHelpDirectory(const std::filesystem::path& executableDir);

class Help {
public:
    explicit Help(Printing& printing);
    Help(const Help&) = delete;
    Help& operator=(const Help&) = delete;

    // Help (the window's caption), mnuTips, mnuSave, mnuPrint (menu items),
    // HelpStatus (a label: where Save put the copy).
    panel::Controls& controls() { return controls_; }

    // Where the documents are (findHelpDirectory); empty: not found.
    void setDirectory(std::filesystem::path directory) { directory_ = std::move(directory); }
    const std::filesystem::path& directory() const { return directory_; }

    // Opening the window: the main help.
    void open();
    void mnuTips_Click();
    void mnuSave_Click();
    void mnuPrint_Click();

    bool showingTips() const { return tips_; }
    // The shown document's HTML; a short note when its file cannot be read.
    const std::string& document() const { return document_; }
    // Called after the shown document changed.
    void setDocumentChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    void load(bool tips);
    std::string_view fileName() const { return tips_ ? kTipsFile : kMainHelpFile; }

    Printing& printing_;
    panel::Controls controls_;
    std::filesystem::path directory_;
    bool tips_ = false;
    std::string document_;
    std::function<void()> changed_;
};

// The plain text of an HTML document, as printed.
std::string htmlToPlainText(std::string_view html);

} // namespace output
