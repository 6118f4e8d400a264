#include "ui/code_editor.h"

#include "sequencer/seq_syntax.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QToolTip>

namespace ui {

namespace {

std::u16string_view utf16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QTextCharFormat format(const QColor& colour, bool bold = false, bool italic = false) {
    QTextCharFormat f;
    f.setForeground(colour);
    if (bold) f.setFontWeight(QFont::Bold);
    f.setFontItalic(italic);
    return f;
}

// Chosen to read well on every background colour of the editor (all light).
QTextCharFormat formatOf(sequencer::SyntaxKind kind) {
    using K = sequencer::SyntaxKind;
    switch (kind) {
    case K::Keyword:
        return format(QColor(0x00, 0x33, 0x99), true);
    case K::String:
        return format(QColor(0xA3, 0x15, 0x15));
    case K::Comment:
        return format(QColor(0x2E, 0x7D, 0x32), false, true);
    case K::Number:
        return format(QColor(0x00, 0x6D, 0x7A));
    case K::Instrument:
        return format(QColor(0x9C, 0x27, 0xB0), true);
    }
    return {};
}

// The UTF-16 length of the first `characters` characters of a line.
int utf16Length(const QString& line, int characters) {
    int at = 0;
    for (int seen = 0; seen < characters && at < line.size(); ++seen)
        at += line.at(at).isHighSurrogate() && at + 1 < line.size() ? 2 : 1;
    return at;
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

QColor errorColour() {
    return QColor(0xD3, 0x2F, 0x2F);
}

} // namespace

// ---- the highlighter ----------------------------------------------------------------

VbsHighlighter::VbsHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void VbsHighlighter::setEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    rehighlight();
}

void VbsHighlighter::highlightBlock(const QString& text) {
    if (!enabled_) return;
    for (const sequencer::SyntaxSpan& span : sequencer::syntaxSpans(utf16(text)))
        setFormat(span.start, span.length, formatOf(span.kind));
}

// ---- the margin -------------------------------------------------------------------------

class LineNumberMargin final : public QWidget {
public:
    explicit LineNumberMargin(CodeEditor* editor) : QWidget(editor), editor_(editor) {
        setObjectName(QStringLiteral("_lineNumbers"));
    }
    QSize sizeHint() const override { return {editor_->marginWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->paintMargin(event); }

private:
    CodeEditor* editor_;
};

// ---- the editor ---------------------------------------------------------------------------

CodeEditor::CodeEditor(QWidget* parent)
    : QPlainTextEdit(parent), margin_(new LineNumberMargin(this)),
      highlighter_(new VbsHighlighter(document())), completer_(new QCompleter(this)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList names;
    for (const sequencer::Completion& c : sequencer::completions())
        names << QString::fromUtf8(c.name.data(), static_cast<qsizetype>(c.name.size()));
    completer_->setModel(new QStringListModel(names, completer_));
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setWrapAround(false);
    completer_->setWidget(this);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& name) { insertCompletion(name); });

    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { updateMarginWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this,
            [this](const QRect& rect, int dy) { updateMargin(rect, dy); });
    connect(this, &QPlainTextEdit::cursorPositionChanged, margin_, qOverload<>(&QWidget::update));
    updateMarginWidth();
}

QString CodeEditor::rawText() const {
    QString text = document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QLatin1Char('\n');
    return text;
}

int CodeEditor::caretLine() const {
    return textCursor().blockNumber() + 1;
}

int CodeEditor::caretColumn() const {
    const QTextCursor cursor = textCursor();
    const QString before = cursor.block().text().left(cursor.positionInBlock());
    return static_cast<int>(before.toUcs4().size()) + 1;
}

void CodeEditor::placeCaret(int line, int column) {
    QTextBlock block = document()->findBlockByNumber(line - 1);
    if (!block.isValid()) block = document()->lastBlock();
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + utf16Length(block.text(), column - 1));
    setTextCursor(cursor);
    ensureCursorVisible();
    setFocus(Qt::OtherFocusReason);
}

void CodeEditor::setErrorLine(int line) {
    errorLine_ = line;
    QList<QTextEdit::ExtraSelection> marks;
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (line > 0 && block.isValid()) {
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(QColor(0xF8, 0xD0, 0xD0));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        mark.cursor = QTextCursor(block);
        marks << mark;
    }
    setExtraSelections(marks);
    margin_->update();
}

void CodeEditor::setLineNumbersVisible(bool on) {
    lineNumbers_ = on;
    margin_->setVisible(on);
    updateMarginWidth();
}

void CodeEditor::setAppearance(const QColor& background, bool fixedFont) {
    background_ = background;
    fixedFont_ = fixedFont;
    const QString family = fixedFont ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family()
                                     : QStringLiteral("Arial");
    // A style sheet, so that the application's own sheet does not override it.
    setStyleSheet(
        QStringLiteral("QPlainTextEdit { background-color: %1; color: #000000;"
                       " font-family: \"%2\"; font-size: 10pt;"
                       " selection-background-color: #3875d7; selection-color: #ffffff; }")
            .arg(background.name(), family));
    ensurePolished();
    setTabStopDistance(4 * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    updateMarginWidth();
    margin_->update();
}

int CodeEditor::marginWidth() const {
    if (!lineNumbers_) return 0;
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10)
        ++digits;
    digits = std::max(digits, 3);
    return 14 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void CodeEditor::updateMarginWidth() {
    setViewportMargins(marginWidth(), 0, 0, 0);
    const QRect area = contentsRect();
    margin_->setGeometry(QRect(area.left(), area.top(), marginWidth(), area.height()));
}

void CodeEditor::updateMargin(const QRect& rect, int dy) {
    if (dy)
        margin_->scroll(0, dy);
    else
        margin_->update(0, rect.y(), margin_->width(), rect.height());
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    updateMarginWidth();
}

void CodeEditor::paintMargin(QPaintEvent* event) {
    QPainter painter(margin_);
    const QColor base = background_;
    painter.fillRect(event->rect(), base.darker(106));
    painter.setPen(base.darker(125));
    painter.drawLine(margin_->width() - 1, event->rect().top(), margin_->width() - 1,
                     event->rect().bottom());
    painter.setFont(font());

    const int caretBlock = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        const int bottom = top + height;
        if (block.isVisible() && bottom >= event->rect().top()) {
            const int number = block.blockNumber() + 1;
            const QRect box(0, top, margin_->width() - 5, fontMetrics().height());
            QFont f = font();
            if (number == errorLine_) {
                painter.fillRect(QRect(0, top, margin_->width() - 1, height), errorColour());
                painter.setPen(Qt::white);
                f.setBold(true);
            } else {
                painter.setPen(block.blockNumber() == caretBlock ? QColor(0x20, 0x20, 0x20)
                                                                 : QColor(0x80, 0x80, 0x80));
                f.setBold(block.blockNumber() == caretBlock);
            }
            painter.setFont(f);
            painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
        }
        block = block.next();
        top = bottom;
    }
}

// ---- completion ---------------------------------------------------------------------------

QString CodeEditor::wordBeforeCaret() const {
    const QTextCursor cursor = textCursor();
    const QString line = cursor.block().text();
    int start = cursor.positionInBlock();
    while (start > 0 && isWordChar(line.at(start - 1)))
        --start;
    return line.mid(start, cursor.positionInBlock() - start);
}

void CodeEditor::insertCompletion(const QString& name) {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                        static_cast<int>(wordBeforeCaret().size()));
    cursor.insertText(name);
    setTextCursor(cursor);
    showHint(name);
}

void CodeEditor::showHint(const QString& name) {
    const sequencer::Completion* entry = sequencer::findCompletion(utf16(name));
    if (!entry || !entry->instrument || entry->hint.empty()) return;
    QToolTip::showText(
        viewport()->mapToGlobal(cursorRect().bottomLeft()),
        QString::fromUtf8(entry->hint.data(), static_cast<qsizetype>(entry->hint.size())),
        viewport());
}

void CodeEditor::showCompletions(bool forced) {
    QAbstractItemView* popup = completer_->popup();
    const QString prefix = wordBeforeCaret();
    // Not inside a string or a comment.
    const QTextCursor cursor = textCursor();
    const int column = cursor.positionInBlock();
    for (const sequencer::SyntaxSpan& span : sequencer::syntaxSpans(utf16(cursor.block().text())))
        if ((span.kind == sequencer::SyntaxKind::String ||
             span.kind == sequencer::SyntaxKind::Comment) &&
            column > span.start && column <= span.start + span.length) {
            popup->hide();
            return;
        }
    if (!forced && prefix.size() < 2) {
        popup->hide();
        return;
    }
    completer_->setCompletionPrefix(prefix);
    if (completer_->completionCount() == 0 ||
        (!forced && completer_->completionCount() == 1 &&
         completer_->currentCompletion().compare(prefix, Qt::CaseInsensitive) == 0)) {
        popup->hide();
        return;
    }
    popup->setCurrentIndex(completer_->completionModel()->index(0, 0));
    QRect area = cursorRect();
    area.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width() + 8);
    completer_->complete(area);
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
    if (completer_->popup()->isVisible()) {
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            event->ignore(); // the completer takes them
            return;
        default:
            break;
        }
    }
    const bool forced = event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier);
    if (!forced) QPlainTextEdit::keyPressEvent(event);
    if (!completionOn_) return;
    const QString typed = event->text();
    if (forced) {
        showCompletions(true);
        return;
    }
    if (typed.isEmpty() || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        if (event->key() != Qt::Key_Backspace) completer_->popup()->hide();
        return;
    }
    if (!isWordChar(typed.back())) {
        completer_->popup()->hide();
        // "genfreq " or "readch(": show what the function takes.
        if (typed == QLatin1String(" ") || typed == QLatin1String("(")) {
            QTextCursor cursor = textCursor();
            cursor.movePosition(QTextCursor::Left);
            const QString line = cursor.block().text();
            int end = cursor.positionInBlock();
            int start = end;
            while (start > 0 && isWordChar(line.at(start - 1)))
                --start;
            if (start < end) showHint(line.mid(start, end - start));
        }
        return;
    }
    showCompletions(false);
}

void CodeEditor::keyReleaseEvent(QKeyEvent* event) {
    QPlainTextEdit::keyReleaseEvent(event);
    if (onCaretTouched) onCaretTouched();
}

void CodeEditor::mousePressEvent(QMouseEvent* event) {
    QPlainTextEdit::mousePressEvent(event);
    if (onCaretTouched) onCaretTouched();
}

} // namespace ui
