#pragma once
// Flat scroll bars: a thin bar without arrows or bevels, for the list views whose options ask
// for them.

class QAbstractScrollArea;

namespace quillet::ui {

void SetFlatScrollBars(QAbstractScrollArea* area, bool flat);

}  // namespace quillet::ui
