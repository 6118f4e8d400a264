#pragma once
// The clipboard seam: text and images. QtClipboard is the desktop's
// clipboard (it needs a QGuiApplication); MemoryClipboard keeps what it is
// given, for tests and headless runs.

#include <QImage>
#include <string>
#include <string_view>

namespace platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Each replaces whatever the clipboard held.
    virtual void setText(std::string_view text) = 0;
    virtual void setImage(const QImage& image) = 0;
    virtual std::string text() const = 0;
    virtual QImage image() const = 0;
};

class QtClipboard final : public Clipboard {
public:
    void setText(std::string_view text) override;
    void setImage(const QImage& image) override;
    std::string text() const override;
    QImage image() const override;
};

class MemoryClipboard final : public Clipboard {
public:
    void setText(std::string_view text) override {
        text_ = text;
        image_ = QImage();
    }
    void setImage(const QImage& image) override {
        image_ = image;
        text_.clear();
    }
    std::string text() const override { return text_; }
    QImage image() const override { return image_; }

private:
    std::string text_;
    QImage image_;
};

} // namespace platform
