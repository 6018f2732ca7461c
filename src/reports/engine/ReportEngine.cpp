#include "ReportEngine.h"

#include <QDir>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSaveFile>

#include "CommonDialog.h"
#include "DBHelper.h"
#include "MsgBox.h"
#include "ReportPreview.h"
#include "SqlDialect.h"

namespace {

constexpr double kPadX = 1.0;  // mm between a cell's edge and its text
constexpr double kPadY = 0.3;
constexpr double kEps = 1e-6;

std::function<bool(QPrinter&)>& printDialogHook() {
    static std::function<bool(QPrinter&)> hook;
    return hook;
}

QVariant nullValue() {
    return QVariant(QMetaType::fromType<QString>());
}

// The layouts write date formats the Basic way: mm months, nn minutes.
QString qtDateFormat(QString format) {
    if (format.isEmpty()) return QStringLiteral("dd/MM/yyyy");
    if (format.contains(QLatin1String("MM"))) return format;
    format.replace(QLatin1String("mm"), QLatin1String("MM"));
    format.replace(QLatin1String("nn"), QLatin1String("mm"));
    format.replace(QLatin1String("hh"), QLatin1String("HH"));
    return format;
}

// Plain decimal with the Greek decimal comma.
QString numberText(double v) {
    if (std::abs(v) < 1e15 && v == std::floor(v)) return QString::number(qlonglong(v));
    return QString::number(v, 'f', QLocale::FloatingPointShortest).replace(u'.', u',');
}

QString display(const QVariant& v, const QString& format) {
    if (!v.isValid() || v.isNull()) return QString();
    switch (v.metaType().id()) {
        case QMetaType::QDate:
        case QMetaType::QDateTime:
            if (!format.isEmpty())
                return v.metaType().id() == QMetaType::QDate ? v.toDate().toString(qtDateFormat(format))
                                                             : v.toDateTime().toString(qtDateFormat(format));
            return DBHelper::ValueText(v);
        case QMetaType::Double: return numberText(v.toDouble());
        default: return v.toString();
    }
}

QVariant dateFromText(const QString& s) {
    static const QRegularExpression day(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    static const QRegularExpression stamp(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})[ T](\\d{2}:\\d{2}:\\d{2})(?:\\.\\d+)?$"));
    static const QRegularExpression compact(QStringLiteral("^\\d{8}$"));
    if (s.size() < 8 || s.size() > 26 || !s.at(0).isDigit()) return {};
    if (day.match(s).hasMatch()) {
        const QDate d = QDate::fromString(s, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) return d;
    } else if (const auto m = stamp.match(s); m.hasMatch()) {
        const QDateTime t = QDateTime::fromString(m.captured(1) + u' ' + m.captured(2),
                                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (t.isValid()) return t;
    } else if (SqlDialect::active().backend() == Backend::SqlServer && compact.match(s).hasMatch()) {
        const QDate d = QDate::fromString(s, QStringLiteral("yyyyMMdd"));
        if (d.isValid()) return d;
    }
    return {};
}

// What a cell shows of a text: control characters, which print as nothing, become the replacement
// sign; a tab a blank. Line breaks stay for a wrapping cell; a one-line cell shows them as blanks.
QString printable(const QString& text, bool oneLine) {
    const auto plain = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0x20 && (u < 0x7f || u > 0x9f) && !c.isSurrogate();
    };
    if (std::all_of(text.begin(), text.end(), plain)) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (plain(c)) {
            out += c;
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (u == u'\r' || u == u'\n') {
            if (!oneLine)
                out += c;
            else if (!(u == u'\n' && i > 0 && text.at(i - 1) == u'\r'))
                out += u' ';
        } else if (u == u'\t') {
            out += u' ';
        } else {
            out += QChar(QChar::ReplacementCharacter);
        }
    }
    return out;
}

// A text cut to n characters ends in "…", so that the cut shows.
QString cutTo(const QString& text, int n) {
    if (text.size() <= n) return text;
    qsizetype keep = std::max(0, n - 1);
    if (keep > 0 && text.at(keep - 1).isHighSurrogate()) --keep;
    return text.left(keep) + QStringLiteral("…");
}

}  // namespace

// ---- SQL literals -------------------------------------------------------------------------------

namespace SqlLiterals {

namespace {
void skipBlanks(QStringView t, qsizetype& pos) {
    while (pos < t.size() && (t[pos] == u' ' || t[pos] == u'\t' || t[pos] == u'\r' || t[pos] == u'\n')) ++pos;
}
}  // namespace

bool ReadOne(QStringView t, qsizetype& pos, QVariant& out) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    out = QVariant();
    skipBlanks(t, pos);
    if (pos >= t.size() || t[pos] == u',') return true;
    if ((t[pos] == u'N' || t[pos] == u'n') && pos + 1 < t.size() && t[pos + 1] == u'\'') ++pos;
    if (t[pos] == u'\'') {
        QString s;
        for (++pos;; ++pos) {
            if (pos >= t.size()) return false;  // not closed
            if (t[pos] == u'\'') {
                if (pos + 1 < t.size() && t[pos + 1] == u'\'') {
                    s += u'\'';
                    ++pos;
                    continue;
                }
                ++pos;
                break;
            }
            s += t[pos];
        }
        const QVariant date = dateFromText(s);
        out = date.isValid() ? date : QVariant(s);
        skipBlanks(t, pos);
        return true;
    }
    const qsizetype from = pos;
    while (pos < t.size() && t[pos] != u',' && t[pos] != u' ' && t[pos] != u'\t') ++pos;
    const QString token = t.mid(from, pos - from).toString();
    skipBlanks(t, pos);
    if (token.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0) {
        out = nullValue();
        return true;
    }
    if (!number.match(token).hasMatch()) return false;
    out = token.toDouble();
    return true;
}

bool ReadList(const QString& text, QList<QVariant>& out) {
    out.clear();
    QStringView t(text);
    qsizetype pos = 0;
    skipBlanks(t, pos);
    if (pos >= t.size()) return true;
    for (;;) {
        QVariant v;
        if (!ReadOne(t, pos, v)) return false;
        out.append(v);
        if (pos >= t.size()) return true;
        if (t[pos] != u',') return false;
        ++pos;
    }
}

}  // namespace SqlLiterals

// ---- line kinds ---------------------------------------------------------------------------------

bool ReportLine::SetCellText(int cell, const QString& text) {
    const int i = m_line->cellIndex(cell);
    if (i < 0) return false;
    ReportLayout::Cell& c = m_line->cells[i];
    c.field.clear();
    c.builtin = false;
    c.val = text;
    c.hasVal = true;
    return true;
}

bool ReportLine::RemoveCell(int cell) {
    const int i = m_line->cellIndex(cell);
    if (i < 0) return false;
    m_line->cells[i].removed = true;
    return true;
}

void ReportLine::Relayout() {
    m_line->relayout(m_printable);
}

ReportLine* ReportLines::Item(const QString& key) {
    for (ReportLine& l : m_lines)
        if (l.m_line->key.compare(key.trimmed(), Qt::CaseInsensitive) == 0) return &l;
    return nullptr;
}

void ReportLines::attach(ReportLayout::Layout* layout, double printable) {
    m_lines.clear();
    for (ReportLayout::Line& l : layout->lines) {
        ReportLine rl;
        rl.m_line = &l;
        rl.m_printable = printable;
        m_lines.append(rl);
    }
}

// ---- the engine ---------------------------------------------------------------------------------

ReportEngine::ReportEngine() {
    // Arial's metrics on every machine; the layouts were made for them.
    QFont::insertSubstitution(QStringLiteral("Arial Greek"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

ReportEngine::~ReportEngine() {
    if (m_preview) {
        m_preview->detach();
        m_preview->deleteLater();
    }
}

void ReportEngine::SetPrintDialogHook(std::function<bool(QPrinter&)> hook) {
    printDialogHook() = std::move(hook);
}

bool ReportEngine::Init(std::shared_ptr<ReportCallback> callBack, const QString& title, const QString& layoutText,
                        const QString& globalText, bool, const QString& section, const QString& reportId, long,
                        const QString&, const QImage& logo, const QImage&, const QString& logo1, const QString&,
                        long, long, const ConnectionPtr&, long) {
    if (m_closed) return false;
    QString error;
    if (!ReportLayout::Read(layoutText, globalText, m_layout, &error)) {
        MsgBox(QStringLiteral("Η διάταξη της εκτύπωσης «%1» (%2) δεν μπορεί να διαβαστεί:\n%3")
                   .arg(title, reportId, error),
               vb::vbCritical);
        return false;
    }
    m_callback = std::move(callBack);
    m_title = title;
    m_section = section;
    m_reportId = reportId;
    m_logo = logo;
    m_logo1 = logo1;
    m_printDate = QDate::currentDate();
    const auto& p = m_layout.page;
    m_lines.attach(&m_layout, (p.landscape ? 297.0 : 210.0) - p.left - p.right);
    m_initialised = true;
    return true;
}

QPrinter& ReportEngine::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                             m_layout.page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                             QMarginsF(0, 0, 0, 0)));
        m_printer->setDocName(m_title);
    }
    return *m_printer;
}

void ReportEngine::PageSetup() {
    // What is chosen here is what the run prints on.
    if (printDialogHook()) {
        printDialogHook()(printer());
        return;
    }
    QPageSetupDialog dlg(&printer());
    dlg.exec();
}

bool ReportEngine::PrepareCache(const QString&, const QString&, bool) {
    if (m_closed || !m_initialised) return false;
    m_cachePrepared = true;
    resetPass();
    return true;
}

void ReportEngine::resetPass() {
    m_ready.clear();
    m_page = ReportPage::Page();
    m_pageOpen = false;
    m_pageCount = 0;
    m_delivered = 0;
    m_linesOnPage = 0;
    m_recordOpen = m_newUnit = m_prevKeepWith = false;
    m_unit.clear();
    m_completedSinceReset = false;
    m_ended = false;
    m_endOfData = false;
    m_passStarted = false;
}

bool ReportEngine::Cmd(const QString& command) {
    if (command.compare(QLatin1String("reset"), Qt::CaseInsensitive) == 0) {
        m_recordOpen = false;
        m_prevKeepWith = false;
        m_completedSinceReset = false;
        return false;
    }
    if (command.isEmpty()) {
        m_recordOpen = true;
        m_newUnit = true;
        return false;
    }
    return false;
}

void ReportEngine::EndPage() {
    m_recordOpen = false;
    m_prevKeepWith = false;
    if (m_pageOpen && m_linesOnPage > 0) finishPage();
}

const ReportEngine::FontEntry& ReportEngine::font(double points, bool bold) {
    const int key = qRound(points * 10) * 2 + (bold ? 1 : 0);
    auto it = m_fonts.find(key);
    if (it == m_fonts.end()) {
        QFont f(m_layout.page.fontFamily);
        f.setPointSizeF(std::max(1.0, points));
        f.setBold(bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        it = m_fonts.insert(key, std::make_shared<FontEntry>(FontEntry{f, ReportPage::Metrics(f)}));
    }
    return **it;
}

QString ReportEngine::cellText(const ReportLayout::Cell& cell, const QList<QVariant>& values, int pageNo) const {
    const auto& pg = m_layout.page;
    if (cell.builtin) {
        if (cell.field == QLatin1String("LOGO1")) return m_logo1;
        if (cell.field == QLatin1String("date"))
            return pg.date ? m_printDate.toString(qtDateFormat(cell.format)) : QString();
        return pg.pageNo ? QStringLiteral("Σελίδα %1").arg(pageNo) : QString();
    }
    if (!cell.field.isEmpty()) return display(values.value(m_layout.columnIndex(cell.field)), cell.format);
    return cell.hasVal ? cell.val : QString();
}

ReportEngine::Placed ReportEngine::layoutLine(const ReportLayout::Line& kind, const QList<QVariant>& values,
                                              int pageNo, bool firstHeader) {
    using ReportLayout::VAlign;
    const auto& pg = m_layout.page;
    const double lineSize = kind.fontSize ? kind.fontSize->apply(pg.fontSize) : pg.fontSize;
    const bool lineBold = kind.bold.value_or(false);
    const double spacing = font(lineSize, lineBold).metrics.lineSpacing();
    Placed out;
    out.keepWith = kind.keepWith;
    double h = !kind.hasHeight ? spacing : kind.heightInLines ? kind.height * spacing : kind.height;
    const double x0 = pg.left;
    const double lw = kind.lineWidth;

    struct CellOut {
        const ReportLayout::Cell* cell;
        ReportPage::Text text;
        double indent = 0;
        double contentHeight = 0;
        VAlign vAlign = VAlign::Top;
    };
    QList<CellOut> cells;
    bool first = true;
    for (const ReportLayout::Cell& c : kind.cells) {
        if (c.removed) continue;
        CellOut co;
        co.cell = &c;
        const QString text = printable(cellText(c, values, pageNo), !c.wrap);
        const FontEntry& fe = font(c.fontSize ? c.fontSize->apply(pg.fontSize) : lineSize, c.bold.value_or(lineBold));
        co.text.font = fe.font;
        QColor colour = c.foreColor.value_or(kind.foreColor.value_or(QColor(Qt::black)));
        if (!pg.color) colour = QColor(qGray(colour.rgb()), qGray(colour.rgb()), qGray(colour.rgb()));
        co.text.color = colour;
        const Qt::Alignment ha = c.hAlign.value_or(kind.hAlign.value_or(Qt::AlignLeft));
        // Cells of one line share an alignment unless the layout says otherwise: a wrapping
        // cell's first line then stands level with its neighbours.
        co.vAlign = c.vAlign.value_or(kind.vAlign.value_or(VAlign::Top));
        co.text.flags = int(ha | Qt::AlignTop) | Qt::TextSingleLine;
        if (first && firstHeader && pg.logo && !m_logo.isNull()) {
            const double ph = std::max(1.0, h - 1.0);
            const double pw = std::min(c.w / 2, ph * m_logo.width() / std::max(1, m_logo.height()));
            out.pictures.append({QRectF(x0 + c.x + kPadX, 0.5, pw, ph), m_logo});
            co.indent = pw + 1.5;
        }
        first = false;
        // A wrapping cell grows with its lines; any other holds one line and shows a cut with "…".
        const double width = std::max(0.0, c.w - 2 * kPadX - co.indent);
        co.contentHeight = fe.metrics.height();
        co.text.text = text;
        if (text.isEmpty()) {
        } else if (c.wrap) {
            QStringList lines = fe.metrics.wrap(text, width);
            if (lines.size() > 1) {
                co.text.lineHeight = fe.metrics.lineSpacing();
                co.contentHeight = co.text.lineHeight * double(lines.size());
                co.text.lines = std::move(lines);
            }
            h = std::max(h, co.contentHeight + 2 * kPadY);
        } else {
            co.text.text = fe.metrics.elided(text, width);
        }
        cells.append(co);
    }
    out.height = h;
    for (CellOut& co : cells) {
        const auto& c = *co.cell;
        // Off the rule it stands against; a centred text in the middle of the whole height.
        const double top = co.vAlign == VAlign::Top      ? kPadY
                           : co.vAlign == VAlign::Bottom ? h - kPadY - co.contentHeight
                                                         : (h - co.contentHeight) / 2;
        co.text.rect = QRectF(x0 + c.x + kPadX + co.indent, top, std::max(0.0, c.w - 2 * kPadX - co.indent),
                              co.contentHeight);
        out.texts.append(co.text);
        const double l = x0 + c.x, r = x0 + c.x + c.w;
        if (c.rules.top.value_or(false)) out.rules.append(QLineF(l, 0, r, 0));
        if (c.rules.bottom.value_or(false)) out.rules.append(QLineF(l, h, r, h));
        if (c.rules.left.value_or(false)) out.rules.append(QLineF(l, 0, l, h));
        if (c.rules.right.value_or(false)) out.rules.append(QLineF(r, 0, r, h));
    }
    if (kind.rules.top.value_or(false)) out.rules.append(QLineF(x0, 0, x0 + lw, 0));
    if (kind.rules.bottom.value_or(false)) out.rules.append(QLineF(x0, h, x0 + lw, h));
    if (kind.rules.left.value_or(false)) out.rules.append(QLineF(x0, 0, x0, h));
    if (kind.rules.right.value_or(false)) out.rules.append(QLineF(x0 + lw, 0, x0 + lw, h));
    return out;
}

ReportEngine::Mark ReportEngine::mark() const {
    return {int(m_page.texts.size()), int(m_page.rules.size()), int(m_page.pictures.size()), m_linesOnPage, m_y};
}

void ReportEngine::place(const Placed& line) {
    for (ReportPage::Text t : line.texts) {
        t.rect.translate(0, m_y);
        m_page.texts.append(t);
    }
    for (const QLineF& l : line.rules) m_page.rules.append(l.translated(0, m_y));
    for (ReportPage::Picture p : line.pictures) {
        p.rect.translate(0, m_y);
        m_page.pictures.append(p);
    }
    m_y += line.height;
}

void ReportEngine::startPage() {
    const auto& pg = m_layout.page;
    m_page = ReportPage::Page();
    m_page.number = ++m_pageCount;
    m_page.size = pg.landscape ? QSizeF(297, 210) : QSizeF(210, 297);
    m_pageOpen = true;
    m_linesOnPage = 0;
    const double printable = m_page.size.width() - pg.left - pg.right;
    if (pg.frameTop) m_page.rules.append(QLineF(pg.left, pg.top, pg.left + printable, pg.top));
    m_y = pg.top;
    bool first = true;
    double footers = 0;
    for (const ReportLayout::Line& l : m_layout.lines) {
        if (l.type == ReportLayout::Line::PageHeader) {
            place(layoutLine(l, {}, m_page.number, first));
            first = false;
        } else if (l.type == ReportLayout::Line::PageFooter) {
            footers += layoutLine(l, {}, m_page.number, false).height;
        }
    }
    m_bodyTop = m_y;
    m_bodyBottom = m_page.size.height() - pg.bottom - footers;
}

void ReportEngine::finishPage() {
    const auto& pg = m_layout.page;
    const double bodyEnd = m_y;
    m_y = m_bodyBottom;
    for (const ReportLayout::Line& l : m_layout.lines)
        if (l.type == ReportLayout::Line::PageFooter) place(layoutLine(l, {}, m_page.number, false));
    m_y = bodyEnd;
    if (pg.frameBottom) {
        const double y = m_page.size.height() - pg.bottom;
        m_page.rules.append(QLineF(pg.left, y, m_page.size.width() - pg.right, y));
    }
    m_ready.enqueue(std::move(m_page));
    m_page = ReportPage::Page();
    m_pageOpen = false;
    m_linesOnPage = 0;
    m_completedSinceReset = true;
}

bool ReportEngine::parseValues(const QString& fieldList, const QString& valueList, const QStringList& items,
                               QList<QVariant>& values) const {
    values = QList<QVariant>(m_layout.columns.size());
    bool ok = true;
    if (!fieldList.trimmed().isEmpty()) {
        const QStringList names = fieldList.split(u',');
        QList<QVariant> literals;
        if (!SqlLiterals::ReadList(valueList, literals) || literals.size() != names.size()) ok = false;
        for (int i = 0; i < names.size() && i < literals.size(); ++i) {
            const int col = m_layout.columnIndex(names[i]);
            if (col < 0) ok = false;
            else store(col, literals[i], values);
        }
    }
    for (const QString& item : items) {
        const qsizetype eq = item.indexOf(u'=');
        const int col = eq < 0 ? -1 : m_layout.columnIndex(item.left(eq));
        QVariant v;
        qsizetype pos = eq + 1;
        const QStringView rest(item);
        if (col < 0 || !SqlLiterals::ReadOne(rest, pos, v) || pos != rest.size()) {
            ok = false;
            continue;
        }
        store(col, v, values);
    }
    return ok;
}

void ReportEngine::store(int column, const QVariant& literal, QList<QVariant>& values) const {
    if (!literal.isValid()) return;  // an empty literal adds nothing
    if (literal.isNull()) {
        values[column] = QVariant();
        return;
    }
    const ReportLayout::CacheColumn& c = m_layout.columns[column];
    const int type = literal.metaType().id();
    if (c.type == ReportLayout::CacheColumn::Double) {
        bool ok = false;
        const double d = type == QMetaType::Double ? literal.toDouble(&ok)
                                                   : literal.toString().trimmed().replace(u',', u'.').toDouble(&ok);
        values[column] = ok ? QVariant(d) : QVariant();
        return;
    }
    if (type == QMetaType::QDate || type == QMetaType::QDateTime) {
        values[column] = literal;
        return;
    }
    QString text = type == QMetaType::Double ? numberText(literal.toDouble()) : literal.toString();
    if (c.type == ReportLayout::CacheColumn::Text) text = cutTo(text, c.length);
    values[column] = text;
}

bool ReportEngine::AddLine(const QString& lineKey, const QString& fieldList, const QString& valueList,
                           const QStringList& items) {
    if (m_closed || !m_cachePrepared) return false;
    const int k = m_layout.lineIndex(lineKey);
    if (k < 0 || m_layout.lines[k].type != ReportLayout::Line::Body) {
        qWarning("report %s: no body line kind '%s'", qPrintable(m_reportId), qPrintable(lineKey));
        return false;
    }
    const ReportLayout::Line& kind = m_layout.lines[k];
    QList<QVariant> values;
    if (!parseValues(fieldList, valueList, items, values))
        qWarning("report %s: line %s: unreadable values '%s' %s", qPrintable(m_reportId), qPrintable(lineKey),
                 qPrintable(valueList), qPrintable(items.join(u'|')));

    const bool startsUnit = m_newUnit || (!m_recordOpen && !m_prevKeepWith);
    m_newUnit = false;
    if (!m_pageOpen) startPage();
    if (startsUnit) {
        m_unit.clear();
        m_unitMark = mark();
    }
    const Placed line = layoutLine(kind, values, m_page.number, false);
    ++m_linesAdded;
    m_prevKeepWith = kind.keepWith;
    if (m_y + line.height > m_bodyBottom + kEps && m_linesOnPage > 0) {
        const double page = m_bodyBottom - m_bodyTop;
        double unitHeight = line.height;
        for (const Placed& p : std::as_const(m_unit)) unitHeight += p.height;
        const bool unitMoves = !m_unit.isEmpty() && m_unitMark.lines > 0 && unitHeight <= page + kEps;
        if (blank(line)) {
            // Space at the end of a page is not carried over: it would only push the next page's
            // lines down, or make a page of nothing. Inside a record that may still move it is
            // kept, unplaced, so that the record keeps its spacing if its next line moves it.
            if (unitMoves) m_unit.append(line);
            m_y = m_bodyBottom;
            return true;
        }
        if (unitMoves) {
            // The record (or the lines kept with this one) moves whole to the next page.
            m_page.texts.resize(m_unitMark.texts);
            m_page.rules.resize(m_unitMark.rules);
            m_page.pictures.resize(m_unitMark.pictures);
            m_y = m_unitMark.y;
            m_linesOnPage = m_unitMark.lines;
            finishPage();
            startPage();
            m_unitMark = mark();
            for (const Placed& p : std::as_const(m_unit)) {
                place(p);
                ++m_linesOnPage;
            }
        } else if (line.height <= page + kEps) {
            finishPage();
            startPage();
            m_unit.clear();
            m_unitMark = mark();
        }
        // Taller than a page, or with the lines it keeps with: it begins here and goes on over
        // the next pages.
    }
    placeOverPages(line);
    return m_completedSinceReset || m_bodyBottom - m_y < line.height - kEps;
}

bool ReportEngine::blank(const Placed& line) {
    return line.rules.isEmpty() && line.pictures.isEmpty() &&
           std::all_of(line.texts.begin(), line.texts.end(),
                       [](const ReportPage::Text& t) { return t.text.trimmed().isEmpty(); });
}

void ReportEngine::placeOverPages(Placed line) {
    while (m_y + line.height > m_bodyBottom + kEps) {
        Placed head, tail;
        if (split(line, m_bodyBottom - m_y, head, tail)) {
            place(head);
            ++m_linesOnPage;
            line = std::move(tail);
        } else if (m_linesOnPage == 0) {
            break;  // not one of its lines fits an empty page: it stands over the page's end
        }
        // The rest goes on at the top of the next page, under its header.
        finishPage();
        startPage();
        m_unit.clear();
        m_unitMark = mark();
    }
    place(line);
    ++m_linesOnPage;
    m_unit.append(std::move(line));
}

bool ReportEngine::split(const Placed& line, double room, Placed& head, Placed& tail) {
    // Lines of text one below the other: a text of one line is a single line of its box's height.
    const auto pitch = [](const ReportPage::Text& t) {
        return t.lines.isEmpty() ? t.rect.height() : t.lineHeight;
    };
    const auto count = [](const ReportPage::Text& t) { return t.lines.isEmpty() ? 1 : int(t.lines.size()); };
    // The cut goes up until it crosses no line of text.
    double cut = room;
    for (bool moved = true; moved;) {
        moved = false;
        for (const ReportPage::Text& t : line.texts) {
            const double p = pitch(t);
            if (t.text.isEmpty() || p <= kEps) continue;
            const int i = int(std::floor((cut - t.rect.top()) / p));
            if (i < 0 || i >= count(t)) continue;
            const double top = t.rect.top() + i * p;
            if (top < cut - kEps && top + p > cut + kEps) {
                cut = top;
                moved = true;
            }
        }
    }
    const auto linesAbove = [&](const ReportPage::Text& t) {
        const double p = pitch(t);
        if (p <= kEps) return t.rect.top() <= cut + kEps ? count(t) : 0;
        return std::clamp(int(std::floor((cut - t.rect.top() + kEps) / p)), 0, count(t));
    };
    bool any = false;
    for (const ReportPage::Text& t : line.texts)
        if (!t.text.isEmpty() && linesAbove(t) > 0) any = true;
    if (!any) return false;

    // The rest begins as the line did, off its top.
    const double shift = cut - kPadY;
    head = Placed();
    tail = Placed();
    head.keepWith = tail.keepWith = line.keepWith;
    head.height = cut;
    tail.height = std::max(kPadY, line.height - shift);
    head.pictures = line.pictures;
    for (const ReportPage::Text& t : line.texts) {
        const int n = count(t), k = linesAbove(t);
        if (k >= n) {
            head.texts.append(t);
        } else if (k == 0) {
            ReportPage::Text rest = t;
            rest.rect.translate(0, -shift);
            tail.texts.append(rest);
        } else {
            ReportPage::Text above = t, rest = t;
            above.lines = t.lines.mid(0, k);
            above.text = above.lines.join(u'\n');
            above.rect.setHeight(k * t.lineHeight);
            rest.lines = t.lines.mid(k);
            rest.text = rest.lines.join(u'\n');
            rest.rect = QRectF(t.rect.x(), t.rect.top() + k * t.lineHeight - shift, t.rect.width(),
                               (n - k) * t.lineHeight);
            head.texts.append(above);
            tail.texts.append(rest);
        }
    }
    for (const QLineF& r : line.rules) {
        const double y1 = std::min(r.y1(), r.y2()), y2 = std::max(r.y1(), r.y2());
        if (y2 - y1 <= kEps) {
            if (y1 <= cut + kEps)
                head.rules.append(r);
            else
                tail.rules.append(r.translated(0, -shift));
            continue;
        }
        // An upright rule runs to the cut and on again from the top of the rest.
        if (y1 < cut - kEps) head.rules.append(QLineF(r.x1(), y1, r.x2(), std::min(y2, cut)));
        if (y2 > cut + kEps) tail.rules.append(QLineF(r.x1(), std::max(0.0, y1 - shift), r.x2(), y2 - shift));
    }
    return true;
}

bool ReportEngine::NextPage(ReportPage::Page& out) {
    if (m_closed || !m_cachePrepared) return false;
    const auto self = shared_from_this();
    int stalls = 0;
    while (m_ready.isEmpty()) {
        if (m_ended) return false;
        const auto cb = m_callback;
        if (m_endOfData || !cb) {
            if (m_pageOpen) finishPage();
            else if (m_pageCount == 0) {
                startPage();
                finishPage();
            }
            m_ended = true;
            continue;
        }
        const long before = m_linesAdded;
        m_passStarted = true;
        cb->CacheNextPage();
        if (m_closed) return false;  // the report ended the run meanwhile
        // A report that adds nothing and never ends its data must not hang the program.
        if (!m_endOfData && m_linesAdded == before && m_ready.isEmpty() && ++stalls >= 3) m_endOfData = true;
    }
    out = m_ready.dequeue();
    ++m_delivered;
    return true;
}

void ReportEngine::Restart() {
    if (m_closed) return;
    const auto self = shared_from_this();
    const bool started = m_passStarted;
    resetPass();
    if (const auto cb = m_callback; cb && started) cb->RptRestart();
}

bool ReportEngine::WritePdf(const QString& fileName, QString* error) {
    if (m_closed || !m_cachePrepared) {
        if (error) *error = QStringLiteral("Η εκτύπωση έχει τελειώσει.");
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(m_title);
        pdf.setCreator(QStringLiteral("Protocol"));
        pdf.setResolution(ReportPage::Metrics::kDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      m_layout.page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            file.cancelWriting();
            if (error) *error = QStringLiteral("Το αρχείο PDF δεν μπορεί να γραφτεί.");
            return false;
        }
        Restart();
        ReportPage::Page page;
        bool first = true;
        while (NextPage(page)) {
            if (!first) pdf.newPage();
            first = false;
            ReportPage::Paint(painter, page, pdf.resolution() / 25.4);
        }
        painter.end();
    }
    if (m_closed) {
        file.cancelWriting();
        if (error) *error = QStringLiteral("Η εκτύπωση διακόπηκε.");
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

bool ReportEngine::PrintTo(QPrinter& printer, QString* error) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return WritePdf(printer.outputFileName(), error);
    printer.setFullPage(true);
    printer.setDocName(m_title);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) *error = QStringLiteral("Ο εκτυπωτής «%1» δεν είναι διαθέσιμος.").arg(printer.printerName());
        return false;
    }
    Restart();
    ReportPage::Page page;
    bool first = true;
    while (NextPage(page)) {
        if (!first && !printer.newPage()) {
            if (error) *error = QStringLiteral("Ο εκτυπωτής σταμάτησε στη σελίδα %1.").arg(page.number);
            painter.end();
            return false;
        }
        first = false;
        ReportPage::Paint(painter, page, printer.resolution() / 25.4);
    }
    return painter.end();
}

bool ReportEngine::PrintWithDialog(QWidget* parent) {
    bool accepted;
    if (printDialogHook()) {
        accepted = printDialogHook()(printer());
    } else {
        QPrintDialog dlg(&printer(), parent);
        dlg.setWindowTitle(QStringLiteral("Εκτύπωση: %1").arg(m_title));
        accepted = dlg.exec() == QDialog::Accepted;
    }
    if (!accepted || m_closed) return false;
    QString error;
    if (!PrintTo(printer(), &error)) {
        MsgBox(QStringLiteral("Η εκτύπωση «%1» δεν ολοκληρώθηκε.\n%2").arg(m_title, error), vb::vbCritical);
        return false;
    }
    return true;
}

bool ReportEngine::ExportWithDialog(QWidget* parent) {
    CommonDialog dlg;
    dlg.DialogTitle = QStringLiteral("Εξαγωγή σε αρχείο PDF");
    dlg.Filter = QStringLiteral("Αρχεία PDF (*.pdf)|*.pdf");
    dlg.DefaultExt = QStringLiteral(".pdf");
    // A title may hold characters that cannot stand in a file name.
    QString name = m_title;
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    name.replace(unsafe, QStringLiteral("_"));
    dlg.InitDir = QDir::homePath();
    dlg.FileName = (name.trimmed().isEmpty() ? QStringLiteral("report") : name.trimmed()) + QStringLiteral(".pdf");
    dlg.ShowSave(parent);
    if (dlg.Canceled || dlg.FileName.isEmpty() || m_closed) return false;
    QString error;
    if (!WritePdf(dlg.FileName, &error)) {
        MsgBox(QStringLiteral("Η εξαγωγή στο αρχείο «%1» δεν ολοκληρώθηκε.\n%2").arg(dlg.FileName, error),
               vb::vbCritical);
        return false;
    }
    return true;
}

void ReportEngine::Run(long mode) {
    if (m_closed) return;
    const auto self = shared_from_this();
    if (!m_cachePrepared || mode <= rmCancel) {
        finishRun();
        return;
    }
    if (mode == rmPreview) {
        m_preview = new ReportPreview(self);
        m_preview->show();
        m_preview->start();
        return;
    }
    if (mode == rmPrint)
        PrintWithDialog(nullptr);
    else
        ExportWithDialog(nullptr);
    finishRun();
}

void ReportEngine::previewClosed() {
    m_preview = nullptr;
    finishRun();
}

void ReportEngine::finishRun() {
    const auto self = shared_from_this();
    if (const auto cb = m_callback) cb->RptTerminate();
    if (!m_closed) Close();
}

void ReportEngine::Close() {
    m_closed = true;
    if (ReportPreview* p = m_preview) {
        m_preview = nullptr;
        p->detach();
        p->hide();
        p->deleteLater();
    }
    m_ready.clear();
    m_unit.clear();
    m_callback.reset();
}
