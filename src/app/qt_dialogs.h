#pragma once
// The dialogs of the GUI: Qt file dialogs and message boxes. Filters come in
// the program's "Description|*.ext;" form and start directories in its own
// spelling ("c:\QEX_ARV1files"); both are translated here.

#include "platform/dialogs.h"

#include <QPointer>
#include <QWidget>
#include <string>

namespace app {

class QtDialogs final : public platform::Dialogs {
public:
    // Message boxes without a title of their own show applicationTitle.
    explicit QtDialogs(QWidget* parent = nullptr, std::string applicationTitle = "QEX ARV-1");

    // The window the dialogs are modal to; may change once the main window exists.
    void setParent(QWidget* parent) { parent_ = parent; }

    // Open or Save dialog. An empty start directory means the current
    // directory. A Save dialog does not ask before replacing a file, and no
    // extension is added to the name typed. Cancel gives cancelled = true.
    platform::FileDialogResult chooseFile(const platform::FileDialogRequest& request) override;

    // Yes and No buttons, Yes the default, Escape answers No.
    platform::Answer askYesNo(const std::string& title, const std::string& text) override;

    // A plain message box with an OK button.
    void message(const std::string& title, const std::string& text) override;

private:
    QString titleOrDefault(const std::string& title) const;

    QPointer<QWidget> parent_;
    std::string applicationTitle_;
};

} // namespace app
