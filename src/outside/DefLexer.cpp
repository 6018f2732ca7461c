#include "DefLexer.h"

#include <QRegularExpression>

namespace DefLexer {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// Only blanks and tabs separate tokens; other spaces (no-break space) belong to the text.
QString trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.mid(b, e - b).toString();
}

bool isKeywordChar(QChar c) {
    return !isBlank(c) && !isBreak(c) && !QStringView(u"{}'\",=()").contains(c);
}

qsizetype indexOutsideQuotes(const QString& s, QChar wanted) {
    bool quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'"')
            quoted = !quoted;
        else if (!quoted && s[i] == wanted)
            return i;
    }
    return -1;
}

class Reader {
public:
    explicit Reader(const QString& source) : m_src(source) {}
    bool run(Document& doc);
    QString error;

private:
    bool atEnd() const { return m_pos >= m_src.size(); }
    QChar peek() const { return m_src[m_pos]; }
    bool fail(int line, const QString& message) {
        error = QStringLiteral("line %1: %2").arg(line).arg(message);
        return false;
    }
    void skipBreak() {
        if (peek() == u'\r' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == u'\n') ++m_pos;
        ++m_pos;
        ++m_line;
    }
    void skipToBreak() {
        while (!atEnd() && !isBreak(peek())) ++m_pos;
    }
    // Blanks, line breaks and comments.
    void skipSpace() {
        while (!atEnd()) {
            if (isBlank(peek()))
                ++m_pos;
            else if (isBreak(peek()))
                skipBreak();
            else if (peek() == u'\'')
                skipToBreak();
            else
                break;
        }
    }
    QString restOfLine() const {
        qsizetype e = m_pos;
        while (e < m_src.size() && !isBreak(m_src[e]) && m_src[e] != u'\'') ++e;
        QString text = trimBlanks(QStringView(m_src).mid(m_pos, e - m_pos));
        return text.size() > 30 ? text.left(30) + QStringLiteral("...") : text;
    }
    bool readDirective(Directive& d);
    bool readList(Directive& d);
    bool addItem(Directive& d, const QString& text, int line);

    const QString& m_src;
    qsizetype m_pos = 0;
    int m_line = 1;
};

bool Reader::run(Document& doc) {
    if (!atEnd() && peek() == QChar(0xFEFF)) ++m_pos;
    bool started = false;
    for (;;) {
        skipSpace();
        if (atEnd()) return true;
        if (peek() == u'#') {
            Directive d;
            if (!readDirective(d)) return false;
            doc.directives.append(d);
            started = true;
        } else if (!started) {
            skipToBreak();  // the prefix
        } else if (peek() == u'}') {
            return fail(m_line, QStringLiteral("'}' outside a directive"));
        } else {
            return fail(m_line, QStringLiteral("text outside a directive: %1").arg(restOfLine()));
        }
    }
}

bool Reader::readDirective(Directive& d) {
    d.line = m_line;
    const qsizetype start = m_pos;
    while (!atEnd() && peek() == u'#') ++m_pos;
    const qsizetype nameStart = m_pos;
    while (!atEnd() && isKeywordChar(peek())) ++m_pos;
    d.keyword = m_src.mid(start, m_pos - start);
    if (m_pos == nameStart) return fail(d.line, QStringLiteral("'#' without a directive name"));
    skipSpace();
    if (atEnd() || peek() != u'{')
        return fail(d.line, QStringLiteral("%1 is not followed by '{'").arg(d.keyword));
    ++m_pos;
    return readList(d);
}

bool Reader::readList(Directive& d) {
    QString item;
    int itemLine = 0;  // 0 until the item's first character
    int depth = 0;     // parentheses: a comma inside them does not split
    for (;;) {
        if (atEnd()) return fail(d.line, QStringLiteral("the list of %1 has no closing '}'").arg(d.keyword));
        const QChar c = peek();
        if (isBreak(c)) {
            skipBreak();
            if (itemLine) item += u' ';
            continue;
        }
        if (c == u'\'') {
            skipToBreak();
            continue;
        }
        if (c == u'"') {
            const qsizetype from = m_pos++;
            while (!atEnd() && peek() != u'"' && !isBreak(peek())) ++m_pos;
            // Quoted texts never span lines: a quote left open at the line's end is an error.
            if (atEnd() || peek() != u'"')
                return fail(m_line, QStringLiteral("a quoted text is not closed on its line"));
            ++m_pos;
            if (!itemLine) itemLine = m_line;
            item += QStringView(m_src).mid(from, m_pos - from);
            continue;
        }
        if (c == u'{')
            return fail(m_line, QStringLiteral("'{' inside the list of %1 opened at line %2 (a '}' missing?)")
                                    .arg(d.keyword)
                                    .arg(d.line));
        if (c == u'}' || (c == u',' && depth == 0)) {
            if (depth > 0) return fail(itemLine, QStringLiteral("'(' without ')'"));
            if (!addItem(d, item, itemLine)) return false;
            ++m_pos;
            if (c == u'}') return true;
            item.clear();
            itemLine = 0;
            continue;
        }
        if (c == u'(') ++depth;
        if (c == u')' && --depth < 0) return fail(m_line, QStringLiteral("')' without '('"));
        if (!itemLine && !isBlank(c)) itemLine = m_line;
        item += c;
        ++m_pos;
    }
}

bool Reader::addItem(Directive& d, const QString& text, int line) {
    const QString t = trimBlanks(text);
    if (t.isEmpty()) return true;  // ",," and a trailing comma
    Item it;
    it.line = line;
    const qsizetype eq = indexOutsideQuotes(t, u'=');
    if (eq < 0) {
        it.value = ParseValue(t);
    } else {
        it.key = trimBlanks(QStringView(t).left(eq));
        if (it.key.isEmpty()) return fail(line, QStringLiteral("'=' without a key in %1").arg(d.keyword));
        it.value = ParseValue(t.mid(eq + 1));
    }
    d.items.append(it);
    return true;
}

const QString kNumber = QStringLiteral("(-?(?:\\d+(?:\\.\\d*)?|\\.\\d+))");

bool wholeMatch(const QRegularExpression& re, const QString& s, QRegularExpressionMatch& m) {
    m = re.match(s);
    return m.hasMatch();
}

}  // namespace

const Item* Directive::find(const QString& key) const {
    const QString k = key.trimmed();
    if (k.isEmpty()) return nullptr;
    for (const Item& it : items)
        if (it.key.compare(k, Qt::CaseInsensitive) == 0) return &it;
    return nullptr;
}

QString Directive::text(const QString& key, const QString& fallback) const {
    const Item* it = find(key);
    return it ? it->value.text : fallback;
}

bool Parse(const QString& source, Document& out, QString* error) {
    out = Document();
    Reader reader(source);
    Document doc;
    if (!reader.run(doc)) {
        if (error) *error = reader.error;
        return false;
    }
    out = std::move(doc);
    if (error) error->clear();
    return true;
}

Value ParseValue(const QString& rawIn) {
    static const QRegularExpression number(QStringLiteral("^") + kNumber + QStringLiteral("$"));
    static const QRegularExpression unit(
        QStringLiteral("^") + kNumber + QStringLiteral("[ \\t]*(%|mm|cm|l)$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sized(QStringLiteral("^([+#])[ \\t]*") + kNumber + QStringLiteral("$"));
    static const QRegularExpression colour(
        QStringLiteral("^\\([ \\t]*(\\d{1,3})[ \\t]*:[ \\t]*(\\d{1,3})[ \\t]*:[ \\t]*(\\d{1,3})[ \\t]*\\)$"));

    Value v;
    v.raw = trimBlanks(rawIn);
    const QString& r = v.raw;
    if (r.isEmpty()) return v;
    v.kind = Value::Word;
    v.text = r;
    QRegularExpressionMatch m;

    if (r.size() >= 2 && r.startsWith(u'"') && r.endsWith(u'"') && r.count(u'"') == 2) {
        v.kind = Value::Text;
        v.text = r.mid(1, r.size() - 2);
    } else if (r == QLatin1String("...") || r == QLatin1String("....")) {
        v.kind = Value::Filler;
    } else if (r.startsWith(QLatin1String("$$"))) {
        if (r.size() > 2) {
            v.kind = Value::MacroRef;
            v.text = trimBlanks(QStringView(r).mid(2));
        }
    } else if (r.startsWith(u'$')) {
        if (r.size() > 1) {
            v.kind = Value::Constant;
            v.text = trimBlanks(QStringView(r).mid(1));
        }
    } else if (r.size() > 2 && r.startsWith(u'[') && r.endsWith(u']')) {
        v.kind = Value::Builtin;
        v.text = r.mid(1, r.size() - 2);
    } else if (wholeMatch(colour, r, m)) {
        const int red = m.captured(1).toInt(), green = m.captured(2).toInt(), blue = m.captured(3).toInt();
        if (red <= 255 && green <= 255 && blue <= 255) {
            v.kind = Value::Colour;
            v.colour = QColor(red, green, blue);
        }
    } else if (wholeMatch(number, r, m)) {
        v.kind = Value::Number;
        v.number = m.captured(1).toDouble();
    } else if (wholeMatch(unit, r, m)) {
        v.kind = Value::Unit;
        v.number = m.captured(1).toDouble();
        const QString u = m.captured(2).toLower();
        v.unit = u == QLatin1String("l") ? QStringLiteral("L") : u;
    } else if (wholeMatch(sized, r, m)) {
        v.kind = m.captured(1) == QLatin1String("+") ? Value::Relative : Value::Absolute;
        v.number = m.captured(2).toDouble();
    }
    return v;
}

}  // namespace DefLexer
