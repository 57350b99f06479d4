#pragma once
// Carries the highlighter's formats and colouring into a Qt text document. The colours are kept
// in each paragraph's layout as extra formats, not in the document's own character formats:
// recolouring then changes neither the text nor the undo history, so undo and redo step over
// the user's edits only.

#include <QFont>
#include <QTextCharFormat>

#include "sqlwindow/char_format.h"
#include "sqlwindow/sql_colouring.h"

class QTextDocument;

namespace quillet::sqlwindow {
class SqlHighlighter;
}

namespace quillet::ui {

// The font a format names. The face comes first; when it is not installed, Qt's matching picks
// the nearest font of the same kind (a serif for the editor's face).
QFont FontOf(const sqlwindow::CharFormat& format);

// The attributes the format's mask names, and no others.
QTextCharFormat QtFormatOf(const sqlwindow::CharFormat& format);

// Gives every paragraph the formats of `colouring`, whose positions are document positions.
// Paragraphs whose formats are already those are left alone; the others are laid out again.
// Returns the number of paragraphs that changed.
int ApplyColouring(QTextDocument& document, const sqlwindow::Colouring& colouring,
                   const sqlwindow::SqlHighlighter& highlighter);

// The document's text as the highlighter scans it and the provider receives it: UTF-8 with one
// carriage return per line end.
std::string ScanTextOf(const QTextDocument& document);

// Colours the whole document.
int RecolourDocument(QTextDocument& document, const sqlwindow::SqlHighlighter& highlighter);

}  // namespace quillet::ui
