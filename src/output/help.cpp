#include "output/help.h"

#include "common/vb_error.h"
#include "output/printing.h"
#include "output/text_pages.h"
#include "platform/files.h"

#include <QString>
#include <QTextDocumentFragment>
#include <fstream>
#include <sstream>

namespace output {

namespace {

std::optional<std::string> readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::optional<std::filesystem::path> findHelpDirectory(const std::filesystem::path& executableDir) {
    for (const auto& candidate :
         {executableDir / "help", executableDir / ".." / "share" / "qex-arv1" / "help"}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate / kMainHelpFile, ec))
            return std::filesystem::weakly_canonical(candidate, ec);
    }
    return std::nullopt;
}

Help::Help(Printing& printing) : printing_(printing) {
    using K = panel::ControlKind;
    controls_.add("Help", K::Label).setCaption("Help");
    controls_.add("mnuTips", K::Menu).setCaption(kTipsCaption);
    controls_["mnuTips"].onClick([this] { mnuTips_Click(); });
    controls_.add("mnuSave", K::Menu).setCaption("Save a Copy");
    controls_["mnuSave"].onClick([this] { mnuSave_Click(); });
    controls_.add("mnuPrint", K::Menu).setCaption("Print...");
    controls_["mnuPrint"].onClick([this] { mnuPrint_Click(); });
    controls_.add("HelpStatus", K::Label);
}

void Help::open() {
    load(false);
}

void Help::mnuTips_Click() {
    load(!tips_);
}

void Help::load(bool tips) {
    tips_ = tips;
    controls_["mnuTips"].setCaption(tips_ ? kMainHelpCaption : kTipsCaption);
    controls_["Help"].setCaption(tips_ ? "Help - Soundcard Tips" : "Help");
    controls_["HelpStatus"].setCaption("");
    const std::filesystem::path path = directory_ / fileName();
    const auto text = directory_.empty() ? std::nullopt : readWhole(path);
    document_ = text
                    ? *text
                    : "<html><body><p>The help file <b>" +
                          escapeHtml(directory_.empty() ? std::string(fileName()) : path.string()) +
                          "</b> was not found. It is installed with the program.</p></body></html>";
    if (changed_) changed_();
}

void Help::mnuSave_Click() {
    // Only ever into the data directory.
    const std::string name =
        std::string(platform::kProgramDataDir) + "\\" + std::string(fileName());
    try {
        platform::writeFileAtomic(name, document_);
        controls_["HelpStatus"].setCaption("Saved a copy to " + platform::mapPath(name).string());
    } catch (const common::VbError& e) {
        controls_["HelpStatus"].setCaption("Could not save a copy: " + e.description());
    }
}

void Help::mnuPrint_Click() {
    printing_.printText(tips_ ? "Soundcard Tips" : "Help", splitLines(htmlToPlainText(document_)));
}

std::string htmlToPlainText(std::string_view html) {
    QString text = QTextDocumentFragment::fromHtml(
                       QString::fromUtf8(html.data(), static_cast<int>(html.size())))
                       .toPlainText();
    // Non-breaking spaces print as blanks.
    return text.replace(QChar(0x00A0), QLatin1Char(' ')).toStdString();
}

} // namespace output
