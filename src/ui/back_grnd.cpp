#include "ui/back_grnd.h"

#include "editor/data_editor.h"
#include "output/printing.h"
#include "output/text_pages.h"
#include "ui/instrument.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <functional>

namespace ui {

namespace {

using editor::Cell;
using editor::DataEditor;
using editor::Move;

const QColor kCurrentCellColour(0xEE, 0xEE, 0xEE);
const QColor kNotANumberColour(0xFF, 0xC0, 0xC0);

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The current cell in grey, cells that are not numbers in red.
class CellDelegate final : public QStyledItemDelegate {
public:
    explicit CellDelegate(QTableView* view) : QStyledItemDelegate(view), view_(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(editor::CellTable::NotANumberRole).toBool())
            option->backgroundBrush = kNotANumberColour;
        else if (index == view_->currentIndex())
            option->backgroundBrush = kCurrentCellColour;
    }

private:
    QTableView* view_;
};

// The grid FG1: keys go to the window first; a right click inside the cells
// copies instead of selecting.
class Grid final : public QTableView {
public:
    std::function<bool(QKeyEvent*)> keyHandler;
    std::function<void()> rightClickInCells;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (keyHandler && keyHandler(event)) return;
        QTableView::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton && indexAt(event->position().toPoint()).isValid()) {
            if (rightClickInCells) rightClickInCells();
            return;
        }
        QTableView::mousePressEvent(event);
    }
};

// The cell edit box T1.
class CellEditBox final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<bool(QKeyEvent*)> keyHandler;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (keyHandler && keyHandler(event)) return;
        QLineEdit::keyPressEvent(event);
    }
};

class BackGrnd final : public QMainWindow {
public:
    // Without printing, "Print Table" is disabled.
    BackGrnd(DataEditor& editor, output::Printing* printing, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* action(QMenu* menu, const char* name, const QString& text,
                    std::function<void()> command);
    QPushButton* button(const char* name, const QString& text, std::function<void()> command);
    void buildMenus();
    QWidget* buildControls();
    void buildPopups();

    void run(const std::function<void()>& command);
    void sync();
    QModelIndex indexOf(Cell cell) const { return ed_.table().index(cell.row - 1, cell.col - 1); }
    Cell cellOf(const QModelIndex& index) const { return {index.row() + 1, index.column() + 1}; }

    void enterCell(const QModelIndex& index);
    void startEditing(const QString& text);
    void stopEditing();
    void placeEditBox();
    void moveTo(Cell cell);
    void move(Move move);
    bool gridKey(QKeyEvent* event);
    bool editBoxKey(QKeyEvent* event);
    void setCurrentText(const QString& text);

    void copySelection();
    void pasteClipboard();
    void headerPopup(Qt::Orientation orientation, const QPoint& pos);
    void timerTick();

    DataEditor& ed_;
    output::Printing* printing_;
    Grid* grid_ = nullptr;
    CellEditBox* T1_ = nullptr;
    QLabel* viewKind_ = nullptr;
    QLabel* userfile_ = nullptr;
    QLineEdit* count_ = nullptr;
    QLineEdit* tolerance_ = nullptr;
    QFrame* frame1_ = nullptr;
    QTimer* timer1_ = nullptr;
    QMenu* rowPopup_ = nullptr;
    QMenu* colPopup_ = nullptr;
    QString enteredText_; // the current cell's text when it was entered
    bool loaded_ = false;
};

BackGrnd::BackGrnd(DataEditor& editor, output::Printing* printing, QWidget* parent)
    : QMainWindow(parent), ed_(editor), printing_(printing) {
    setObjectName(QStringLiteral("BackGrnd"));
    setWindowTitle(qs(editor::kEditorCaption));
    grid_ = new Grid;
    buildMenus();
    setCentralWidget(buildControls());
    buildPopups();
    resize(520, 560);
}

QAction* BackGrnd::action(QMenu* menu, const char* name, const QString& text,
                          std::function<void()> command) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, command] { run(command); });
    return a;
}

QPushButton* BackGrnd::button(const char* name, const QString& text,
                              std::function<void()> command) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    connect(b, &QPushButton::clicked, this, [this, command] { run(command); });
    return b;
}

void BackGrnd::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    DataEditor& e = ed_;
    action(file, "mnuloadfile", "Load data file", [&e] { e.mnuloadfile_Click(); });
    action(file, "mnusavefile", "Save data file", [&e] { e.mnusavefile_Click(); });
    file->addSeparator();
    action(file, "mnuLoadLimit", "Load limit file", [&e] { e.mnuLoadLimit_Click(); });
    action(file, "mnuSaveLimit", "Save limit file", [&e] { e.mnuSaveLimit_Click(); });
    file->addSeparator();
    action(file, "mnuLoadUser", "Load user sweep", [&e] { e.mnuLoadUser_Click(); });
    action(file, "mnuSaveUser", "Save user sweep", [&e] { e.mnuSaveUser_Click(); });
    file->addSeparator();
    action(file, "mnuLoadReverse", "Load Reverse Cal", [&e] { e.mnuLoadReverse_Click(); });
    action(file, "mnuSaveReverse", "Save Reverse Cal", [&e] { e.mnuSaveReverse_Click(); });
    file->addSeparator();
    action(file, "mnuExport", "Export data", [&e] { e.mnuExport_Click(); });
    action(file, "mnunewsheet", "New Sheet", [&e] { e.mnunewsheet_Click(); });
    QAction* print = action(file, "mnuPrint", "Print Table", [this] {
        const std::string date = output::printDate(std::chrono::system_clock::now());
        printing_->printText("Print Table", output::splitLines(ed_.printout(date)));
    });
    print->setEnabled(printing_ != nullptr);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuexit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* copy = edit->addAction(tr("Copy"));
    copy->setObjectName(QStringLiteral("mnuCopy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, [this] { copySelection(); });
    QAction* paste = edit->addAction(tr("Paste"));
    paste->setObjectName(QStringLiteral("mnuPaste"));
    paste->setShortcut(QKeySequence::Paste);
    paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(paste, &QAction::triggered, this, [this] { pasteClipboard(); });
    // The shortcuts belong to the grid; T1 keeps its own Ctrl+C and Ctrl+V.
    grid_->addAction(copy);
    grid_->addAction(paste);

    QAction* regraph = menuBar()->addAction(QStringLiteral("ReGraph"));
    regraph->setObjectName(QStringLiteral("mnuRegraph"));
    connect(regraph, &QAction::triggered, this,
            [this] { run([this] { ed_.mnuRegraph_Click(); }); });
}

QWidget* BackGrnd::buildControls() {
    DataEditor& e = ed_;
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    auto* views = new QHBoxLayout;
    views->addWidget(button("Command1", "Data", [&e] { e.Command1_Click(); }));
    views->addWidget(button("Command2", "Limit", [&e] { e.Command2_Click(); }));
    views->addWidget(button("Command3", "User", [&e] { e.Command3_Click(); }));
    views->addSpacing(10);
    viewKind_ = new QLabel;
    viewKind_->setObjectName(QStringLiteral("viewKind"));
    viewKind_->setProperty("role", "value");
    views->addWidget(viewKind_, 1);
    auto* rowsCaption = new QLabel(tr("Rows"));
    rowsCaption->setProperty("role", "caption");
    views->addWidget(rowsCaption);
    count_ = new QLineEdit;
    count_->setObjectName(QStringLiteral("usercounttext"));
    count_->setToolTip(tr("The number of rows that Save and Export write"));
    count_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    connect(count_, &QLineEdit::textEdited, this,
            [this](const QString& text) { ed_.usercounttext = text.toStdString(); });
    views->addWidget(count_);
    layout->addLayout(views);

    auto* band = new QHBoxLayout;
    band->addWidget(button("LimitTolSW", "Limit Tolerance", [&e] { e.LimitTolSW_Click(); }));
    tolerance_ = new QLineEdit;
    tolerance_->setObjectName(QStringLiteral("LimitTolerance"));
    tolerance_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000.00")) + 16);
    connect(tolerance_, &QLineEdit::textEdited, this,
            [this](const QString& text) { ed_.LimitTolerance = text.toStdString(); });
    band->addWidget(tolerance_);
    auto* dB = new QLabel(QStringLiteral("dB"));
    dB->setProperty("role", "caption");
    band->addWidget(dB);
    band->addSpacing(10);
    userfile_ = new QLabel;
    userfile_->setObjectName(QStringLiteral("userfile"));
    userfile_->setProperty("role", "caption");
    userfile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    band->addWidget(userfile_, 1);
    layout->addLayout(band);

    grid_->setObjectName(QStringLiteral("FG1"));
    grid_->setModel(&ed_.table());
    grid_->setItemDelegate(new CellDelegate(grid_));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setWordWrap(false);
    grid_->setStyleSheet(QStringLiteral(
        "QTableView { background: white; color: black; gridline-color: #c8c8c8;"
        " selection-background-color: #9cc3ee; selection-color: black;"
        " font-family: Arial, 'Liberation Sans', sans-serif; }"
        "QHeaderView::section { background: #e4e6ea; color: #202428; border: none;"
        " border-right: 1px solid #c0c4ca; border-bottom: 1px solid #c0c4ca; padding: 2px 6px; }"
        "QTableCornerButton::section { background: #e4e6ea; border: none; }"));
    // The columns share the grid's width, none narrower than its header.
    grid_->horizontalHeader()->setMinimumSectionSize(
        fontMetrics().horizontalAdvance(QStringLiteral("L User Level")) + 24);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    grid_->keyHandler = [this](QKeyEvent* event) { return gridKey(event); };
    grid_->rightClickInCells = [this] { copySelection(); };
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { enterCell(current); });
    // A reset model (a new table) gets a new current cell from the editor.
    connect(&ed_.table(), &QAbstractItemModel::modelReset, this, [this] { sync(); });
    layout->addWidget(grid_, 1);

    T1_ = new CellEditBox(grid_->viewport());
    T1_->setObjectName(QStringLiteral("T1"));
    T1_->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black;"
                                      " border: 2px solid #3d6fa8; border-radius: 0; }"));
    T1_->hide();
    T1_->keyHandler = [this](QKeyEvent* event) { return editBoxKey(event); };
    connect(T1_, &QLineEdit::textEdited, this,
            [this](const QString& text) { setCurrentText(text); });
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { placeEditBox(); });
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { placeEditBox(); });

    // The message floats over the grid's lower right corner while it shows.
    frame1_ = new QFrame(grid_);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    frame1_->setStyleSheet(QStringLiteral(
        "QFrame#Frame1 { background: #262b32; border: 1px solid #5a6472; border-radius: 5px; }"
        "QLabel { color: #eef1f4; background: transparent; border: none; }"));
    auto* frameLayout = new QVBoxLayout(frame1_);
    frameLayout->setContentsMargins(10, 6, 10, 8);
    frameLayout->setSpacing(2);
    auto* title = new QLabel(tr("Edit Message:"));
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #9fc3e8;"));
    frameLayout->addWidget(title);
    auto* message = new QLabel(qs(editor::kCopiedMessage));
    message->setObjectName(QStringLiteral("Frame1Text"));
    frameLayout->addWidget(message);
    frame1_->hide();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, [this] { timerTick(); });
    return central;
}

void BackGrnd::buildPopups() {
    DataEditor& e = ed_;
    rowPopup_ = new QMenu(tr("Row Popup"), this);
    rowPopup_->setObjectName(QStringLiteral("MnuFGridRows"));
    action(rowPopup_, "mnuAddRow", "Add a Row", [&e] { e.addRow(); });
    action(rowPopup_, "mnuInsertRow", "Insert a Row", [&e] { e.insertRow(); });
    action(rowPopup_, "mnuDeleteRow", "Delete a Row", [&e] { e.deleteRow(); });
    action(rowPopup_, "mnuExtractRow", "Extract a Row", [&e] { e.extractRow(); });
    colPopup_ = new QMenu(tr("Col Popup"), this);
    colPopup_->setObjectName(QStringLiteral("MnuFGridCols"));
    action(colPopup_, "mnuAddCol", "Add a Col", [&e] { e.addCol(); });
    action(colPopup_, "mnuInsertCol", "Insert a Col", [&e] { e.insertCol(); });
    action(colPopup_, "mnuDeleteCol", "Delete a Col", [&e] { e.deleteCol(); });
    action(colPopup_, "mnuExtractCol", "Extract a Col", [&e] { e.extractCol(); });
    for (QHeaderView* header : {grid_->horizontalHeader(), grid_->verticalHeader()}) {
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QWidget::customContextMenuRequested, this,
                [this, header](const QPoint& pos) { headerPopup(header->orientation(), pos); });
    }
}

// --- Opening and commands ---

void BackGrnd::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (loaded_) return;
    loaded_ = true;
    ed_.Form_Load();
    sync();
    grid_->setFocus();
}

void BackGrnd::closeEvent(QCloseEvent* event) {
    stopEditing();
    timer1_->stop();
    frame1_->hide();
    loaded_ = false; // opened again, it shows the sweep as it is then
    QMainWindow::closeEvent(event);
}

void BackGrnd::run(const std::function<void()>& command) {
    stopEditing();
    command();
    sync();
}

void BackGrnd::sync() {
    viewKind_->setText(qs(ed_.viewKind()));
    userfile_->setText(qs(ed_.userfile));
    userfile_->setToolTip(qs(ed_.userfile));
    if (count_->text().toStdString() != ed_.usercounttext) count_->setText(qs(ed_.usercounttext));
    if (tolerance_->text().toStdString() != ed_.LimitTolerance)
        tolerance_->setText(qs(ed_.LimitTolerance));
    const QModelIndex current = indexOf(ed_.current());
    if (grid_->currentIndex() != current)
        grid_->setCurrentIndex(current);
    else
        enterCell(current);
}

// --- The current cell and T1 ---

void BackGrnd::enterCell(const QModelIndex& index) {
    T1_->hide();
    if (!index.isValid()) return;
    ed_.setCurrent(cellOf(index));
    enteredText_ = index.data(Qt::EditRole).toString();
}

void BackGrnd::setCurrentText(const QString& text) {
    ed_.table().setData(grid_->currentIndex(), text);
}

void BackGrnd::startEditing(const QString& text) {
    if (!grid_->currentIndex().isValid()) return;
    T1_->setText(text);
    placeEditBox();
    T1_->show();
    T1_->setFocus();
    T1_->end(false);
}

void BackGrnd::placeEditBox() {
    const QRect rect = grid_->visualRect(grid_->currentIndex());
    T1_->setGeometry(rect.adjusted(-1, -1, 1, 1));
}

void BackGrnd::stopEditing() {
    if (!T1_->isVisible()) return;
    const bool hadFocus = T1_->hasFocus();
    T1_->hide();
    if (hadFocus) grid_->setFocus();
}

void BackGrnd::moveTo(Cell cell) {
    stopEditing();
    grid_->setFocus();
    grid_->setCurrentIndex(indexOf(cell));
}

void BackGrnd::move(Move direction) {
    moveTo(editor::moveCell(ed_.current(), direction, ed_.table().rows(), ed_.table().cols()));
}

bool BackGrnd::gridKey(QKeyEvent* event) {
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid()) return false;
    const QString text = current.data(Qt::EditRole).toString();
    switch (event->key()) {
    case Qt::Key_F2:
        startEditing(text);
        return true;
    case Qt::Key_Backspace:
        setCurrentText(text.left(text.size() - 1));
        startEditing(text.left(text.size() - 1));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        move(Move::Down);
        return true;
    case Qt::Key_Escape:
        return true;
    default:
        break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.at(0).isPrint()) return false;
    // A typed character replaces the cell's text.
    setCurrentText(typed);
    startEditing(typed);
    return true;
}

bool BackGrnd::editBoxKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        setCurrentText(T1_->text());
        move(Move::Down);
        return true;
    case Qt::Key_Escape:
        T1_->setText(enteredText_);
        setCurrentText(enteredText_);
        T1_->end(false);
        return true;
    case Qt::Key_Left:
        if (T1_->cursorPosition() > 0 || T1_->hasSelectedText()) return false;
        move(Move::Left);
        return true;
    case Qt::Key_Right:
        if (T1_->cursorPosition() < T1_->text().size() || T1_->hasSelectedText()) return false;
        move(Move::Right);
        return true;
    case Qt::Key_Up:
        move(Move::Up);
        return true;
    case Qt::Key_Down:
        move(Move::Down);
        return true;
    default:
        return false;
    }
}

// --- Clipboard, popups, message ---

void BackGrnd::copySelection() {
    Cell anchor = ed_.current(), end = anchor;
    const QModelIndexList selected = grid_->selectionModel()->selectedIndexes();
    if (!selected.isEmpty()) {
        anchor = end = cellOf(selected.first());
        for (const QModelIndex& index : selected) {
            const Cell cell = cellOf(index);
            anchor = {std::min(anchor.row, cell.row), std::min(anchor.col, cell.col)};
            end = {std::max(end.row, cell.row), std::max(end.col, cell.col)};
        }
    }
    QGuiApplication::clipboard()->setText(qs(ed_.copyBlock(anchor, end)));
    frame1_->adjustSize();
    const QRect area = grid_->viewport()->geometry();
    frame1_->move(area.right() - frame1_->width() - 8, area.bottom() - frame1_->height() - 8);
    frame1_->raise();
    frame1_->show();
    timer1_->start();
}

void BackGrnd::timerTick() {
    ed_.notice().tick();
    frame1_->setVisible(ed_.notice().visible());
    if (!ed_.notice().timerRunning()) timer1_->stop();
}

void BackGrnd::pasteClipboard() {
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) return;
    run([&] { ed_.paste(text.toStdString()); });
}

void BackGrnd::headerPopup(Qt::Orientation orientation, const QPoint& pos) {
    stopEditing();
    Cell cell = ed_.current();
    QHeaderView* header =
        orientation == Qt::Horizontal ? grid_->horizontalHeader() : grid_->verticalHeader();
    const int section = header->logicalIndexAt(pos);
    if (orientation == Qt::Horizontal)
        cell.col = section < 0 ? 1 : section + 1;
    else
        cell.row = section < 0 ? 1 : section + 1;
    moveTo(cell);
    QMenu* popup = orientation == Qt::Horizontal ? colPopup_ : rowPopup_;
    popup->popup(header->mapToGlobal(pos));
}

} // namespace

std::unique_ptr<QWidget> makeBackGrnd(Instrument& instrument, QWidget* parent) {
    if (!instrument.dataEditor) return nullptr;
    return std::make_unique<BackGrnd>(*instrument.dataEditor, instrument.printing, parent);
}

} // namespace ui
