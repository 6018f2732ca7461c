#pragma once

class QTableView;

// Shared behaviour of the program's list grids.
namespace mod_Grid {
// The current and selected rows in the system's highlight colours, also while the grid lacks focus.
void SetGridHighlight(QTableView* grid);
// A read-only list grid: whole rows, one at a time, fixed row heights (a list of tens of thousands
// of rows stays as quick as a short one), headers that sort on a click.
void SetupListGrid(QTableView* grid);
}  // namespace mod_Grid
