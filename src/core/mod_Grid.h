#pragma once

class QTableView;

// Shared behaviour of the program's list grids.
namespace mod_Grid {
// The current and selected rows in the system's highlight colours, also while the grid lacks focus.
void SetGridHighlight(QTableView* grid);
}  // namespace mod_Grid
