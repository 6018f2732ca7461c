#include "mod_Grid.h"

#include <QHeaderView>
#include <QPalette>
#include <QTableView>

namespace mod_Grid {

void SetGridHighlight(QTableView* grid) {
    if (!grid) return;
    QPalette pal = grid->palette();
    const QColor back = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor fore = pal.color(QPalette::Active, QPalette::HighlightedText);
    // Styles grey the selection out of focus; the user should still see which row is chosen.
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Highlight, back);
        pal.setColor(group, QPalette::HighlightedText, fore);
    }
    grid->setPalette(pal);
}

void SetupListGrid(QTableView* grid) {
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setTabKeyNavigation(false);
    grid->setWordWrap(false);
    grid->setAlternatingRowColors(true);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setSortIndicatorShown(true);
}

}  // namespace mod_Grid
