#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

void QtClipboard::setText(std::string_view text) {
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtClipboard::setImage(const QImage& image) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(image);
}

std::string QtClipboard::text() const {
    return QGuiApplication::clipboard()->text().toStdString();
}

QImage QtClipboard::image() const {
    return QGuiApplication::clipboard()->image();
}

} // namespace platform
