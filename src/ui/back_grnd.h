#pragma once
// The data/limit editor's window "Versatile Data Editor" (BackGrnd): a grid
// over the editor's table model with the cell edit box T1, the view buttons,
// the row count box, Limit Tolerance, the file menu, ReGraph, the row and
// column popups on the headers, and the clipboard both ways (a right click
// in the cells or Ctrl+C copies the selected block, Ctrl+V pastes a block
// from a spreadsheet at the current cell).
//
// The window holds no editor logic: every command is editor::DataEditor's.
// It opens modeless and shows the stored sweep each time it is opened.
//
// Thread: the GUI thread, which is the instrument's thread.

#include <QWidget>
#include <memory>

namespace ui {

struct Instrument;

// Null when the instrument has no data editor wired in.
std::unique_ptr<QWidget> makeBackGrnd(Instrument& instrument, QWidget* parent);

} // namespace ui
