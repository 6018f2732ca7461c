#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <optional>

// A report layout as read from its definition text and the global layout: constants resolved,
// macros expanded, every key checked. Lengths are in millimetres.
namespace ReportLayout {

struct CacheColumn {
    enum Type { Text, Memo, Double };
    QString name;  // as declared; matched without regard to case
    Type type = Text;
    int length = 0;  // TEXT(n): at most n characters
};

// "+n" above the page's base size, "#n" absolute (a bare n in a line or cell reads as +n).
struct FontSize {
    bool absolute = false;
    double points = 0;
    double apply(double base) const { return absolute ? points : base + points; }
};

// A rule setting: unset, off or on.
struct Rules {
    std::optional<bool> top, bottom, left, right;
};

enum class VAlign { Top, Mid, Bottom };

struct Width {
    enum Kind { None, Percent, Fixed };
    Kind kind = None;
    double value = 0;  // percent, or millimetres
};

struct Cell {
    int number = 0;  // 1-based position in the layout; kept when other cells are removed
    Width width;
    QString field;  // a cache column, or a built-in field (builtin true: "LOGO1", "date", "LPageNo")
    bool builtin = false;
    QString val;
    bool hasVal = false;
    bool wrap = false;
    std::optional<Qt::Alignment> hAlign;
    std::optional<VAlign> vAlign;
    std::optional<QColor> foreColor;
    std::optional<FontSize> fontSize;
    std::optional<bool> bold;
    QString format;  // display format of a date, as the layouts write it ("dd/mm/yyyy")
    Rules rules;
    bool removed = false;
    // Placed by Line::relayout(), relative to the line's left edge.
    double x = 0, w = 0;
};

struct Line {
    enum Type { Body, PageHeader, PageFooter };
    QString key;
    Type type = Body;
    double height = 0;  // millimetres, or lines when heightInLines
    bool heightInLines = true;
    bool hasHeight = false;
    Width width;  // of the printable width; none = all of it
    bool keepWith = false;
    QString label;
    std::optional<VAlign> vAlign;
    std::optional<Qt::Alignment> hAlign;
    std::optional<QColor> foreColor;
    std::optional<FontSize> fontSize;
    std::optional<bool> bold;
    Rules rules;
    QList<Cell> cells;
    int sourceLine = 0;
    double lineWidth = 0;  // placed by relayout()

    // Places the remaining cells across the line's width out of a printable width in mm: fixed
    // widths first, percentages share what they leave, cells without a width share the rest.
    void relayout(double printableWidth);
    int cellIndex(int number) const;  // the index of layout cell `number` (removed or not), or -1
};

struct Page {
    bool landscape = false;
    QString fontFamily = QStringLiteral("Arial Greek");
    double fontSize = 8;
    bool logo = false, date = false, color = false, pageNo = false;
    double left = 10, right = 10, top = 10, bottom = 10;
    bool frameTop = false, frameBottom = false;
};

struct Layout {
    QList<CacheColumn> columns;
    Page page;
    QList<Line> lines;
    int columnIndex(const QString& name) const;  // case-insensitive; -1 when absent
    int lineIndex(const QString& key) const;     // case-insensitive; -1 when absent
};

// Reads a report layout with the global layout beside it (its constants and macros). On any fault
// returns false with *error naming the text ("layout" / "global layout") and the line; out is
// left empty.
bool Read(const QString& layoutText, const QString& globalText, Layout& out, QString* error);

}  // namespace ReportLayout
