#include "FormScript.h"

#include <QHash>
#include <QStringList>
#include <cmath>

namespace {

struct ControlDirective {
    const char* keyword;
    const char* array;
    FormScript::Page page;
};

constexpr ControlDirective kControlDirectives[] = {
    {"#tEdit", "txtEdit", FormScript::Page::Record},
    {"#tbEdit", "tbEdit", FormScript::Page::Record},
    {"#dtEdit", "dtEdit", FormScript::Page::Record},
    {"#numEdit", "numEdit", FormScript::Page::Record},
    {"#cmbEdit", "cmbEdit", FormScript::Page::Record},
    {"#lstEdit", "lstEdit", FormScript::Page::Record},
    {"#lEdit", "lblEdit", FormScript::Page::Record},
    {"#cmdEdit", "cmdEdit", FormScript::Page::Record},
    {"#tSearch", "txtSearch", FormScript::Page::Search},
    {"#dtSearch", "dtSearch", FormScript::Page::Search},
    {"#cmbSearch", "cmbSearch", FormScript::Page::Search},
    {"#cmdSearch", "cmdSearch", FormScript::Page::Search},
};

const ControlDirective* controlDirective(const QString& keyword) {
    for (const auto& d : kControlDirectives)
        if (keyword == QLatin1String(d.keyword)) return &d;
    return nullptr;
}

bool fail(QString* error, int line, const QString& message) {
    if (error) *error = QStringLiteral("line %1: %2").arg(line).arg(message);
    return false;
}

bool isKey(const DefLexer::Item& it, const char* key) {
    return it.key.compare(QLatin1String(key), Qt::CaseInsensitive) == 0;
}

// A whole number >= 0 written as a plain number (quoted digits are accepted too).
bool wholeNumber(const DefLexer::Value& v, int& out) {
    double n = v.number;
    if (v.kind == DefLexer::Value::Text) {
        bool ok = false;
        n = v.text.trimmed().toDouble(&ok);
        if (!ok) return false;
    } else if (v.kind != DefLexer::Value::Number) {
        return false;
    }
    if (n < 0 || n != std::floor(n) || n > 1e9) return false;
    out = int(n);
    return true;
}

bool readWhole(const DefLexer::Item& it, const QString& keyword, int& out, QString* error) {
    if (wholeNumber(it.value, out)) return true;
    return fail(
        error, it.line,
        QStringLiteral("%1: %2 must be a whole number, not \"%3\"").arg(keyword, it.key, it.value.raw));
}

bool readControl(const DefLexer::Directive& d, const ControlDirective& kind, FormScript::Control& c,
                 QString* error) {
    c.directive = d.keyword;
    c.arrayName = QLatin1String(kind.array);
    c.page = kind.page;
    c.line = d.line;
    bool hasIndex = false;
    for (const DefLexer::Item& it : d.items) {
        if (isKey(it, "index")) {
            if (!readWhole(it, d.keyword, c.index, error)) return false;
            hasIndex = true;
        } else if (isKey(it, "field")) {
            c.field = it.value.text.trimmed();
        } else if (isKey(it, "caption")) {
            c.caption = it.value.text;
        } else if (isKey(it, "len")) {
            if (!readWhole(it, d.keyword, c.len, error)) return false;
        } else if (isKey(it, "tag")) {
            c.tag = it.value.text.trimmed();
            c.tags = FormScript::ParseTags(c.tag);
        } else if (isKey(it, "format")) {
            c.format = it.value.text;
        } else {
            c.others << it;
        }
    }
    if (!hasIndex) return fail(error, d.line, QStringLiteral("%1 has no index").arg(d.keyword));
    return true;
}

bool readColumn(const DefLexer::Directive& d, FormScript::GridColumn& col, QString* error) {
    col.line = d.line;
    for (const DefLexer::Item& it : d.items) {
        if (isKey(it, "field"))
            col.field = it.value.text.trimmed();
        else if (isKey(it, "caption"))
            col.caption = it.value.text;
        else if (isKey(it, "W")) {
            if (!readWhole(it, d.keyword, col.width, error)) return false;
        } else
            col.others << it;
    }
    return true;
}

}  // namespace

FormScript::Tags FormScript::ParseTags(const QString& letters) {
    Tags t;
    for (QChar c : letters) {
        switch (c.toUpper().unicode()) {
            case 'F':
                t |= TagF;
                break;
            case 'M':
                t |= TagM;
                break;
            case 'H':
                t |= TagH;
                break;
            case 'S':
                t |= TagS;
                break;
            case 'X':
                t |= TagX;
                break;
            default:
                break;
        }
    }
    return t;
}

QString FormScript::ArrayNameOf(const QString& keyword) {
    const ControlDirective* d = controlDirective(keyword);
    return d ? QLatin1String(d->array) : QString();
}

bool FormScript::Parse(const QString& text, FormScript& out, QString* error) {
    out = FormScript();
    DefLexer::Document doc;
    if (!DefLexer::Parse(text, doc, error)) return false;

    FormScript s;
    QHash<QString, int> seen;  // "array(index)" -> line of its directive
    for (const DefLexer::Directive& d : doc.directives) {
        if (const ControlDirective* kind = controlDirective(d.keyword)) {
            Control c;
            if (!readControl(d, *kind, c, error)) return false;
            const QString member = c.arrayName + u'(' + QString::number(c.index) + u')';
            if (seen.contains(member))
                return fail(error, d.line,
                            QStringLiteral("%1 index %2 was already given at line %3")
                                .arg(d.keyword)
                                .arg(c.index)
                                .arg(seen.value(member)));
            seen.insert(member, d.line);
            s.m_controls << c;
        } else if (d.keyword == QLatin1String("#GridCol")) {
            GridColumn col;
            if (!readColumn(d, col, error)) return false;
            s.m_columns << col;
        } else if (d.keyword == QLatin1String("#form") && s.m_form.line == 0) {
            s.m_form.line = d.line;
            for (const DefLexer::Item& it : d.items) {
                if (isKey(it, "caption"))
                    s.m_form.caption = it.value.text;
                else if (isKey(it, "table"))
                    s.m_form.table = it.value.text.trimmed();
                else if (isKey(it, "Key"))
                    s.m_form.key = it.value.text.trimmed();
                else
                    s.m_form.others << it;
            }
        } else if (d.keyword == QLatin1String("#Gridset") && s.m_grid.line == 0) {
            s.m_grid.line = d.line;
            for (const DefLexer::Item& it : d.items) {
                if (isKey(it, "unit"))
                    s.m_grid.unit = it.value.text.trimmed();
                else
                    s.m_grid.others << it;
            }
        } else {
            s.m_others << d;  // unknown, or a repeated #form / #Gridset
        }
    }
    out = std::move(s);
    if (error) error->clear();
    return true;
}

const FormScript::Control* FormScript::find(const QString& arrayName, int index) const {
    for (const Control& c : m_controls)
        if (c.index == index && c.arrayName.compare(arrayName, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}
