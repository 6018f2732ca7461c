#include "mod_Grid.h"

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

}  // namespace mod_Grid
