#include "ReportLayout.h"

#include <QHash>
#include <QRegularExpression>

#include "DefLexer.h"

namespace ReportLayout {

namespace {

using DefLexer::Item;
using DefLexer::Value;

// Thrown inside the reader only; Read() turns it into its error text.
struct Fault {
    QString message;
};

[[noreturn]] void fault(int line, const QString& message) {
    throw Fault{QStringLiteral("line %1: %2").arg(line).arg(message)};
}

class Reader {
public:
    Reader(const DefLexer::Document& global, const DefLexer::Document& layout)
        : m_global(global), m_layout(layout) {}
    Layout run();

private:
    void readGlobal();
    void addConstants(const DefLexer::Directive& d);
    QList<Item> expand(const DefLexer::Directive& d) const;
    void expandInto(const QList<Item>& items, QList<Item>& out, int depth) const;
    Value resolve(const Item& item) const;

    void readPage(const QList<Item>& items, Page& page) const;
    void readFrame(const QList<Item>& items, Page& page) const;
    void readColumns(const DefLexer::Directive& d, QList<CacheColumn>& out) const;
    void readLine(const QList<Item>& items, Line& line) const;
    void readCell(const QList<Item>& items, Cell& cell) const;
    bool readCommon(const Item& it, const Value& v, const QString& key, Rules& rules,
                    std::optional<VAlign>& vAlign, std::optional<Qt::Alignment>& hAlign,
                    std::optional<QColor>& fore, std::optional<FontSize>& size,
                    std::optional<bool>& bold) const;

    const DefLexer::Document& m_global;
    const DefLexer::Document& m_layout;
    QHash<QString, Item> m_constants;            // lower-case name → the item that defines it
    QHash<QString, DefLexer::Directive> m_macros;  // lower-case name
    const QList<CacheColumn>* m_columns = nullptr;
};

QString lower(const QString& s) {
    return s.toLower();
}

bool flag(const Item& it, const Value& v) {
    if (v.kind == Value::Number && (v.number == 0 || v.number == 1)) return v.number == 1;
    if (v.kind == Value::Word) {
        const QString w = v.text.toUpper();
        if (w == QLatin1String("T")) return true;
        if (w == QLatin1String("F")) return false;
    }
    fault(it.line, QStringLiteral("%1 takes 1/0 or T/F, not '%2'").arg(it.key, v.raw));
}

double millimetres(const Item& it, const Value& v) {
    if (v.kind == Value::Number) return v.number;
    if (v.kind == Value::Unit && v.unit == QLatin1String("mm")) return v.number;
    if (v.kind == Value::Unit && v.unit == QLatin1String("cm")) return v.number * 10;
    fault(it.line, QStringLiteral("%1 takes a length in mm or cm, not '%2'").arg(it.key, v.raw));
}

Width width(const Item& it, const Value& v) {
    if (v.kind == Value::Unit && v.unit == QLatin1String("%")) return {Width::Percent, v.number};
    if (v.kind == Value::Unit && v.unit == QLatin1String("L"))
        fault(it.line, QStringLiteral("a width cannot be given in lines: '%1'").arg(v.raw));
    return {Width::Fixed, millimetres(it, v)};
}

FontSize fontSize(const Item& it, const Value& v, bool bareIsAbsolute) {
    switch (v.kind) {
        case Value::Relative: return {false, v.number};
        case Value::Absolute: return {true, v.number};
        case Value::Number: return {bareIsAbsolute, v.number};
        default: fault(it.line, QStringLiteral("%1 takes +n, #n or a number, not '%2'").arg(it.key, v.raw));
    }
}

QString word(const Value& v) {
    return v.kind == Value::Text || v.kind == Value::Word ? v.text : QString();
}

VAlign vAlign(const Item& it, const Value& v) {
    const QString w = lower(word(v));
    if (w == QLatin1String("top")) return VAlign::Top;
    if (w == QLatin1String("mid") || w == QLatin1String("center") || w == QLatin1String("middle"))
        return VAlign::Mid;
    if (w == QLatin1String("bottom")) return VAlign::Bottom;
    fault(it.line, QStringLiteral("%1 takes top, mid or bottom, not '%2'").arg(it.key, v.raw));
}

Qt::Alignment hAlign(const Item& it, const Value& v) {
    const QString w = lower(word(v));
    if (w == QLatin1String("left")) return Qt::AlignLeft;
    if (w == QLatin1String("center") || w == QLatin1String("centre")) return Qt::AlignHCenter;
    if (w == QLatin1String("right")) return Qt::AlignRight;
    fault(it.line, QStringLiteral("%1 takes left, center or right, not '%2'").arg(it.key, v.raw));
}

bool bold(const Item& it, const Value& v) {
    const QString w = word(v).toUpper();
    if (w == QLatin1String("B")) return true;
    if (w == QLatin1String("N") || w == QLatin1String("R")) return false;
    fault(it.line, QStringLiteral("%1 takes B, not '%2'").arg(it.key, v.raw));
}

QColor colour(const Item& it, const Value& v) {
    if (v.kind != Value::Colour)
        fault(it.line, QStringLiteral("%1 takes a colour (r:g:b), not '%2'").arg(it.key, v.raw));
    return v.colour;
}

[[noreturn]] void unknownKey(const Item& it, const QString& where) {
    if (it.bare()) fault(it.line, QStringLiteral("unexpected item '%1' in %2").arg(it.value.raw, where));
    fault(it.line, QStringLiteral("unknown key '%1' in %2").arg(it.key, where));
}

Layout Reader::run() {
    readGlobal();
    Layout out;
    // The layout's own constants first, so that any directive may use them.
    for (const auto& d : m_layout.directives)
        if (d.keyword.compare(QLatin1String("#const"), Qt::CaseInsensitive) == 0) addConstants(d);
    m_columns = &out.columns;

    Line* open = nullptr;
    for (const auto& d : m_layout.directives) {
        const QString kw = lower(d.keyword);
        if (kw == QLatin1String("#const")) continue;
        if (open && kw != QLatin1String("#col") && kw != QLatin1String("#lineend"))
            fault(d.line, QStringLiteral("%1 inside the line %2 (a #lineEnd missing?)").arg(d.keyword, open->key));
        if (kw == QLatin1String("#cachetable")) {
            readColumns(d, out.columns);
        } else if (kw == QLatin1String("#page")) {
            readPage(expand(d), out.page);
        } else if (kw == QLatin1String("#pageframe")) {
            readFrame(expand(d), out.page);
        } else if (kw == QLatin1String("#line")) {
            Line line;
            line.sourceLine = d.line;
            readLine(expand(d), line);
            if (line.key.isEmpty()) fault(d.line, QStringLiteral("#line without a key"));
            if (out.lineIndex(line.key) >= 0)
                fault(d.line, QStringLiteral("the line key %1 is declared twice").arg(line.key));
            out.lines.append(line);
            open = &out.lines.last();
        } else if (kw == QLatin1String("#col")) {
            if (!open) fault(d.line, QStringLiteral("#col outside a #line"));
            Cell cell;
            cell.number = int(open->cells.size()) + 1;
            readCell(expand(d), cell);
            open->cells.append(cell);
        } else if (kw == QLatin1String("#lineend")) {
            if (!open) fault(d.line, QStringLiteral("#lineEnd without a #line"));
            open = nullptr;
        } else {
            fault(d.line, QStringLiteral("unknown directive %1").arg(d.keyword));
        }
    }
    if (open) fault(open->sourceLine, QStringLiteral("the line %1 has no #lineEnd").arg(open->key));
    const double printable = (out.page.landscape ? 297.0 : 210.0) - out.page.left - out.page.right;
    if (printable <= 0) fault(1, QStringLiteral("the margins leave no width"));
    for (Line& l : out.lines) l.relayout(printable);
    return out;
}

void Reader::readGlobal() {
    for (const auto& d : m_global.directives) {
        if (d.keyword.startsWith(QLatin1String("##"))) {
            const QString name = lower(d.keyword.mid(2));
            if (m_macros.contains(name)) fault(d.line, QStringLiteral("the macro %1 is declared twice").arg(d.keyword));
            m_macros.insert(name, d);
        } else if (d.keyword.compare(QLatin1String("#const"), Qt::CaseInsensitive) == 0) {
            addConstants(d);
        } else {
            fault(d.line, QStringLiteral("the global layout holds only constants and macros, not %1").arg(d.keyword));
        }
    }
}

void Reader::addConstants(const DefLexer::Directive& d) {
    for (const Item& it : d.items) {
        if (it.bare() || !it.key.startsWith(u'$') || it.key.size() < 2)
            fault(it.line, QStringLiteral("a constant is written $name = value, not '%1'")
                               .arg(it.bare() ? it.value.raw : it.key));
        m_constants.insert(lower(it.key.mid(1).trimmed()), it);
    }
}

QList<Item> Reader::expand(const DefLexer::Directive& d) const {
    QList<Item> out;
    expandInto(d.items, out, 0);
    return out;
}

void Reader::expandInto(const QList<Item>& items, QList<Item>& out, int depth) const {
    for (const Item& it : items) {
        if (it.bare() && it.value.kind == Value::Filler) continue;
        if (it.bare() && it.value.kind == Value::MacroRef) {
            const auto m = m_macros.constFind(lower(it.value.text));
            if (m == m_macros.cend()) fault(it.line, QStringLiteral("unknown macro $$%1").arg(it.value.text));
            if (depth > 8) fault(it.line, QStringLiteral("the macro $$%1 refers to itself").arg(it.value.text));
            expandInto(m->items, out, depth + 1);
            continue;
        }
        out.append(it);
    }
}

Value Reader::resolve(const Item& item) const {
    Value v = item.value;
    for (int depth = 0; v.kind == Value::Constant; ++depth) {
        const auto c = m_constants.constFind(lower(v.text));
        if (c == m_constants.cend()) fault(item.line, QStringLiteral("unknown constant $%1").arg(v.text));
        if (depth > 8) fault(item.line, QStringLiteral("the constant $%1 refers to itself").arg(v.text));
        v = c->value;
    }
    return v;
}

void Reader::readPage(const QList<Item>& items, Page& page) const {
    for (const Item& it : items) {
        const Value v = resolve(it);
        const QString k = lower(it.key);
        if (k == QLatin1String("orientation")) {
            const QString w = word(v).toUpper();
            if (w != QLatin1String("P") && w != QLatin1String("L"))
                fault(it.line, QStringLiteral("orientation takes P or L, not '%1'").arg(v.raw));
            page.landscape = w == QLatin1String("L");
        } else if (k == QLatin1String("font")) {
            // The name, and in some layouts a second Font with a bare number: the base size.
            if (v.kind == Value::Number)
                page.fontSize = v.number;
            else if (v.kind == Value::Text || v.kind == Value::Word)
                page.fontFamily = v.text;
            else
                fault(it.line, QStringLiteral("Font takes a name or a size, not '%1'").arg(v.raw));
        } else if (k == QLatin1String("fontsize")) {
            page.fontSize = fontSize(it, v, true).apply(page.fontSize);
        } else if (k == QLatin1String("logo")) {
            page.logo = flag(it, v);
        } else if (k == QLatin1String("date")) {
            page.date = flag(it, v);
        } else if (k == QLatin1String("color")) {
            page.color = flag(it, v);
        } else if (k == QLatin1String("pageno")) {
            page.pageNo = flag(it, v);
        } else if (k == QLatin1String("lm")) {
            page.left = millimetres(it, v);
        } else if (k == QLatin1String("rm")) {
            page.right = millimetres(it, v);
        } else if (k == QLatin1String("tm")) {
            page.top = millimetres(it, v);
        } else if (k == QLatin1String("bm")) {
            page.bottom = millimetres(it, v);
        } else {
            unknownKey(it, QStringLiteral("#page"));
        }
    }
    if (page.fontSize <= 0) fault(items.isEmpty() ? 1 : items.first().line, QStringLiteral("the font size must be positive"));
}

void Reader::readFrame(const QList<Item>& items, Page& page) const {
    for (const Item& it : items) {
        const QString k = lower(it.key);
        if (k == QLatin1String("lt"))
            page.frameTop = flag(it, resolve(it));
        else if (k == QLatin1String("lb"))
            page.frameBottom = flag(it, resolve(it));
        else
            unknownKey(it, QStringLiteral("#pageFrame"));
    }
}

void Reader::readColumns(const DefLexer::Directive& d, QList<CacheColumn>& out) const {
    static const QRegularExpression def(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s+(?:(TEXT)\\s*\\(\\s*(\\d+)\\s*\\)|(MEMO)|(DOUBLE))\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    for (const Item& it : d.items) {
        if (!it.bare() || it.value.kind != Value::Text)
            fault(it.line, QStringLiteral("a cache column is written \"NAME TYPE\", not '%1'")
                               .arg(it.bare() ? it.value.raw : it.key));
        const auto m = def.match(it.value.text);
        if (!m.hasMatch())
            fault(it.line, QStringLiteral("a cache column takes TEXT(n), MEMO or double: '%1'").arg(it.value.text));
        CacheColumn c;
        c.name = m.captured(1);
        if (!m.captured(2).isEmpty()) {
            c.type = CacheColumn::Text;
            c.length = m.captured(3).toInt();
            if (c.length <= 0) fault(it.line, QStringLiteral("TEXT(0) holds nothing: '%1'").arg(it.value.text));
        } else {
            c.type = m.captured(4).isEmpty() ? CacheColumn::Double : CacheColumn::Memo;
        }
        for (const CacheColumn& other : out)
            if (other.name.compare(c.name, Qt::CaseInsensitive) == 0)
                fault(it.line, QStringLiteral("the cache column %1 is declared twice").arg(c.name));
        out.append(c);
    }
}

bool Reader::readCommon(const Item& it, const Value& v, const QString& k, Rules& rules,
                        std::optional<VAlign>& va, std::optional<Qt::Alignment>& ha,
                        std::optional<QColor>& fore, std::optional<FontSize>& size,
                        std::optional<bool>& b) const {
    if (k == QLatin1String("lt"))
        rules.top = flag(it, v);
    else if (k == QLatin1String("lb"))
        rules.bottom = flag(it, v);
    else if (k == QLatin1String("ll"))
        rules.left = flag(it, v);
    else if (k == QLatin1String("lr"))
        rules.right = flag(it, v);
    else if (k == QLatin1String("valign"))
        va = vAlign(it, v);
    else if (k == QLatin1String("halign"))
        ha = hAlign(it, v);
    else if (k == QLatin1String("forecolor"))
        fore = colour(it, v);
    else if (k == QLatin1String("fontsize"))
        size = fontSize(it, v, false);
    else if (k == QLatin1String("fontstyle"))
        b = bold(it, v);
    else
        return false;
    return true;
}

void Reader::readLine(const QList<Item>& items, Line& line) const {
    for (const Item& it : items) {
        const Value v = resolve(it);
        const QString k = lower(it.key);
        if (readCommon(it, v, k, line.rules, line.vAlign, line.hAlign, line.foreColor, line.fontSize, line.bold))
            continue;
        if (k == QLatin1String("key")) {
            line.key = word(v).trimmed();
        } else if (k == QLatin1String("linetype")) {
            const QString w = lower(word(v));
            if (w == QLatin1String("pageheader"))
                line.type = Line::PageHeader;
            else if (w == QLatin1String("pagefooter"))
                line.type = Line::PageFooter;
            else
                fault(it.line, QStringLiteral("LineType takes PageHeader or PageFooter, not '%1'").arg(v.raw));
        } else if (k == QLatin1String("h")) {
            // A bare number counts lines, as 1.3L does.
            line.hasHeight = true;
            line.heightInLines = v.kind == Value::Number || (v.kind == Value::Unit && v.unit == QLatin1String("L"));
            line.height = line.heightInLines ? v.number : millimetres(it, v);
            if (line.height < 0) fault(it.line, QStringLiteral("a negative height"));
        } else if (k == QLatin1String("w")) {
            line.width = width(it, v);
        } else if (k == QLatin1String("keepwith")) {
            line.keepWith = flag(it, v);
        } else if (k == QLatin1String("label")) {
            line.label = word(v);
        } else {
            unknownKey(it, QStringLiteral("#line"));
        }
    }
}

void Reader::readCell(const QList<Item>& items, Cell& cell) const {
    for (const Item& it : items) {
        const Value v = resolve(it);
        const QString k = lower(it.key);
        if (readCommon(it, v, k, cell.rules, cell.vAlign, cell.hAlign, cell.foreColor, cell.fontSize, cell.bold))
            continue;
        if (k == QLatin1String("w")) {
            cell.width = width(it, v);
        } else if (k == QLatin1String("field")) {
            if (v.kind == Value::Builtin) {
                static const QStringList known{QStringLiteral("LOGO1"), QStringLiteral("date"),
                                               QStringLiteral("LPageNo")};
                const auto found = std::find_if(known.begin(), known.end(), [&](const QString& n) {
                    return n.compare(v.text, Qt::CaseInsensitive) == 0;
                });
                if (found == known.end()) fault(it.line, QStringLiteral("unknown built-in field [%1]").arg(v.text));
                cell.field = *found;
                cell.builtin = true;
            } else if (v.kind == Value::Word || v.kind == Value::Text) {
                const auto& cols = *m_columns;
                const auto found = std::find_if(cols.begin(), cols.end(), [&](const CacheColumn& c) {
                    return c.name.compare(v.text, Qt::CaseInsensitive) == 0;
                });
                if (found == cols.end()) fault(it.line, QStringLiteral("the field %1 is not a cache column").arg(v.text));
                cell.field = found->name;
            } else {
                fault(it.line, QStringLiteral("field takes a cache column or [name], not '%1'").arg(v.raw));
            }
        } else if (k == QLatin1String("val")) {
            cell.val = v.kind == Value::Text ? v.text : v.raw;
            cell.hasVal = true;
        } else if (k == QLatin1String("wrap")) {
            if (lower(word(v)) != QLatin1String("var"))
                fault(it.line, QStringLiteral("wrap takes var, not '%1'").arg(v.raw));
            cell.wrap = true;
        } else if (k == QLatin1String("format")) {
            cell.format = word(v);
        } else {
            unknownKey(it, QStringLiteral("#col"));
        }
    }
}

}  // namespace

void Line::relayout(double printableWidth) {
    lineWidth = width.kind == Width::Percent ? printableWidth * width.value / 100.0
                : width.kind == Width::Fixed ? width.value
                                             : printableWidth;
    double fixed = 0, percent = 0, allPercent = 0;
    int loose = 0;
    for (const Cell& c : cells) {
        if (c.width.kind == Width::Percent) allPercent += c.width.value;
        if (c.removed) continue;
        if (c.width.kind == Width::Fixed) fixed += c.width.value;
        else if (c.width.kind == Width::Percent) percent += c.width.value;
        else ++loose;
    }
    // A line whose shares filled it keeps filling it when a cell is removed.
    const double scale = allPercent >= 99.5 && percent > 0 && percent < allPercent ? allPercent / percent : 1.0;
    const double rest = std::max(0.0, lineWidth - fixed);
    const double shared = rest * percent * scale / 100.0;
    const double looseWidth = loose ? std::max(0.0, rest - shared) / loose : 0;
    double x = 0;
    for (Cell& c : cells) {
        if (c.removed) continue;
        c.x = x;
        c.w = c.width.kind == Width::Fixed     ? c.width.value
              : c.width.kind == Width::Percent ? rest * c.width.value * scale / 100.0
                                               : looseWidth;
        x += c.w;
    }
}

int Line::cellIndex(int number) const {
    for (int i = 0; i < cells.size(); ++i)
        if (cells[i].number == number) return i;
    return -1;
}

int Layout::columnIndex(const QString& name) const {
    const QString n = name.trimmed();
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(n, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int Layout::lineIndex(const QString& key) const {
    const QString k = key.trimmed();
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].key.compare(k, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool Read(const QString& layoutText, const QString& globalText, Layout& out, QString* error) {
    out = Layout();
    DefLexer::Document global, layout;
    QString lexError;
    if (!DefLexer::Parse(globalText, global, &lexError)) {
        if (error) *error = QStringLiteral("global layout, ") + lexError;
        return false;
    }
    if (!DefLexer::Parse(layoutText, layout, &lexError)) {
        if (error) *error = QStringLiteral("layout, ") + lexError;
        return false;
    }
    // Global faults are found while reading the global part; say which text they are in.
    // The reader keeps references to both documents: the empty one must outlive it too.
    const DefLexer::Document noLayout;
    Reader reader(global, layout);
    try {
        Reader globalOnly(global, noLayout);
        globalOnly.run();
    } catch (const Fault& f) {
        if (error) *error = QStringLiteral("global layout, ") + f.message;
        return false;
    }
    try {
        out = reader.run();
    } catch (const Fault& f) {
        if (error) *error = QStringLiteral("layout, ") + f.message;
        out = Layout();
        return false;
    }
    if (error) error->clear();
    return true;
}

}  // namespace ReportLayout
