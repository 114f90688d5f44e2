#pragma once

#include "platform/ws/canvas.h"
#include "platform/ws/lists.h"

// What the list box and the combo box's list share.
namespace vx::ws::detail {

inline constexpr int item_text_margin = 2;

// Up and Down as a user's choice of the neighbouring item.
int neighbour(const ItemList& list, WParam key);
// Rows of items from `first` down `area`; the selected one highlighted. A
// focused list without a selection shows the focus on its first row.
void paint_rows(Canvas& canvas, const ItemList& list, int first, const Rect& area, int row_height, bool focused);

}  // namespace vx::ws::detail
