#pragma once
// A plain-text editor for VBScript sequences: a line-number margin that marks
// one line as the line of the last error, completion of the names that
// sequencer::completions() offers with their argument hints, and VBScript
// colouring. It knows nothing of files or of the sequence editor's model;
// the window (TestSeqEditor) connects it.
//
// Thread: the GUI thread.

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <functional>

class QCompleter;

namespace ui {

// Colours keywords, strings, comments, numbers and the instrument's functions
// (each in its own format) from sequencer::syntaxSpans.
class VbsHighlighter final : public QSyntaxHighlighter {
public:
    explicit VbsHighlighter(QTextDocument* document);
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

protected:
    void highlightBlock(const QString& text) override;

private:
    bool enabled_ = true;
};

class CodeEditor final : public QPlainTextEdit {
public:
    explicit CodeEditor(QWidget* parent = nullptr);

    // The text with '\n' between lines, every character as typed (no
    // non-breaking space turned into a blank, as toPlainText does).
    QString rawText() const;

    // 1-based line and column (in characters) of the caret, and placing it.
    int caretLine() const;
    int caretColumn() const;
    void placeCaret(int line, int column);

    // The line marked in the margin as the last error's (0: none).
    void setErrorLine(int line);
    int errorLine() const { return errorLine_; }

    void setLineNumbersVisible(bool on);
    bool lineNumbersVisible() const { return lineNumbers_; }
    void setCompletionEnabled(bool on) { completionOn_ = on; }
    bool completionEnabled() const { return completionOn_; }
    // The background colour, and a fixed-width font or Arial (both 10 pt).
    void setAppearance(const QColor& background, bool fixedFont);
    bool fixedFont() const { return fixedFont_; }
    VbsHighlighter& highlighter() { return *highlighter_; }
    QCompleter& completer() { return *completer_; }

    // The margin's width in pixels (0 when hidden).
    int marginWidth() const;

    // Called when the user pressed a mouse button in the text or released a
    // key: the moments the line-number box is brought up to date.
    std::function<void()> onCaretTouched;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class LineNumberMargin;
    void paintMargin(QPaintEvent* event);
    void updateMargin(const QRect& rect, int dy);
    void updateMarginWidth();
    void insertCompletion(const QString& name);
    QString wordBeforeCaret() const;
    void showCompletions(bool forced);
    void showHint(const QString& name);

    QWidget* margin_;
    VbsHighlighter* highlighter_;
    QCompleter* completer_;
    int errorLine_ = 0;
    bool lineNumbers_ = true;
    bool completionOn_ = true;
    bool fixedFont_ = true;
    QColor background_ = Qt::white;
};

} // namespace ui
