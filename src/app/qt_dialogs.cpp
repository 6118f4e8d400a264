#include "app/qt_dialogs.h"

#include "platform/file_filter.h"
#include "platform/files.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <filesystem>
#include <utility>

namespace app {

namespace {

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

QString pathToQString(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Message texts use CR LF line ends; Qt wants plain line feeds.
QString messageText(const std::string& text) {
    QString result = toQString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

} // namespace

QtDialogs::QtDialogs(QWidget* parent, std::string applicationTitle)
    : parent_(parent), applicationTitle_(std::move(applicationTitle)) {}

QString QtDialogs::titleOrDefault(const std::string& title) const {
    return toQString(title.empty() ? applicationTitle_ : title);
}

platform::FileDialogResult QtDialogs::chooseFile(const platform::FileDialogRequest& request) {
    const QString directory = request.startDirectory.empty()
                                  ? QDir::currentPath()
                                  : pathToQString(platform::mapPath(request.startDirectory));

    QFileDialog dialog(parent_);
    dialog.setWindowTitle(!request.title.empty() ? toQString(request.title)
                          : request.save         ? QStringLiteral("Save As")
                                                 : QStringLiteral("Open"));
    dialog.setDirectory(directory);
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    QStringList filters;
    for (const auto& filter : platform::qtNameFilters(request.filter))
        filters << toQString(filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.fileName.empty()) {
        const std::filesystem::path name = platform::mapPath(request.fileName);
        dialog.selectFile(name.has_parent_path() ? pathToQString(name)
                                                 : QDir(directory).filePath(pathToQString(name)));
    }

    platform::FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        result.cancelled = true;
        return result;
    }
    result.path = QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
    return result;
}

platform::Answer QtDialogs::askYesNo(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), messageText(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? platform::Answer::Yes : platform::Answer::No;
}

void QtDialogs::message(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), messageText(text), QMessageBox::Ok,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace app
