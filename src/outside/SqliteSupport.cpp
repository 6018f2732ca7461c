#include "SqliteSupport.h"

#include <sqlite3.h>

#include <QString>
#include <optional>

#include "GreekFold.h"
#include "SqlDialect.h"

namespace {

std::optional<QDateTime> g_clock;

// SQLite hands UTF-16 text in native order, but not always at an even address.
QStringView textArg(sqlite3_value* value, QString& copy) {
    const void* data = sqlite3_value_text16(value);
    const int bytes = sqlite3_value_bytes16(value);
    if (!data) return {};
    if (reinterpret_cast<quintptr>(data) & 1) {
        copy.resize(bytes / 2);
        memcpy(copy.data(), data, size_t(bytes / 2) * 2);
        return copy;
    }
    return QStringView(static_cast<const char16_t*>(data), bytes / 2);
}

int collate(void*, int bytesA, const void* a, int bytesB, const void* b) {
    return GreekFold::compare(QStringView(static_cast<const char16_t*>(a), bytesA / 2),
                              QStringView(static_cast<const char16_t*>(b), bytesB / 2));
}

// The same comparison on SQLite's own UTF-8, which spares it turning both values into UTF-16 (and
// allocating them) for every comparison.
int collateUtf8(void*, int bytesA, const void* a, int bytesB, const void* b) {
    return GreekFold::compareUtf8(static_cast<const char*>(a), bytesA, static_cast<const char*>(b), bytesB);
}

// SQLite calls like(pattern, text) for "text LIKE pattern", and like(pattern, text, escape).
void like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // NULL result
    QString bufPattern, bufText, bufEscape;
    QChar escape;
    if (argc == 3) {
        const QStringView e = textArg(argv[2], bufEscape);
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.at(0);
    }
    const QStringView pattern = textArg(argv[0], bufPattern);
    const QStringView text = textArg(argv[1], bufText);
    sqlite3_result_int(ctx, GreekFold::likeMatch(pattern, text, escape) ? 1 : 0);
}

void likeUtf8(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // NULL result
    char16_t escape = 0;
    if (argc == 3) {
        const char* e = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
        if (GreekFold::utf16Length(e, sqlite3_value_bytes(argv[2]), &escape) != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    // The text before its length: a value turned into text on the way is measured as text.
    const char* pattern = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int patternBytes = sqlite3_value_bytes(argv[0]);
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int textBytes = sqlite3_value_bytes(argv[1]);
    sqlite3_result_int(
        ctx, GreekFold::likeMatchUtf8(pattern, patternBytes, text, textBytes, escape, argc == 3) ? 1 : 0);
}

void getdate(sqlite3_context* ctx, int, sqlite3_value**) {
    const QByteArray text = SqliteSupport::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

QDateTime truncatedToSeconds(const QDateTime& t) {
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
}

}  // namespace

namespace SqliteSupport {

int registerFunctions(sqlite3* db) {
    // Both encodings: SQLite calls the one of the database's own (UTF-8 for the register), and the
    // UTF-16 entries stay for a database made in UTF-16.
    int rc = sqlite3_create_collation(db, kGreekCollation, SQLITE_UTF16_ALIGNED, nullptr, collate);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_collation(db, kGreekCollation, SQLITE_UTF8, nullptr, collateUtf8);
    const int pure = SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const int args : {2, 3}) {
        if (rc == SQLITE_OK)
            rc = sqlite3_create_function(db, "like", args, SQLITE_UTF16 | pure, nullptr, like, nullptr,
                                         nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_create_function(db, "like", args, SQLITE_UTF8 | pure, nullptr, likeUtf8, nullptr,
                                         nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function(db, "getdate", 0, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, getdate,
                                     nullptr, nullptr);
    return rc;
}

void setClock(const QDateTime& now) {
    g_clock = truncatedToSeconds(now);
}

void clearClock() {
    g_clock.reset();
}

QDateTime now() {
    if (g_clock) return *g_clock;
    const QByteArray fixed = qgetenv("PROTOCOL_SQLITE_CLOCK");
    if (!fixed.isEmpty()) {
        const QDateTime t = parseDateTime(QString::fromLatin1(fixed));
        if (t.isValid()) return t;
    }
    return truncatedToSeconds(QDateTime::currentDateTime());
}

namespace {
// Digits at s[from, from+count) as a number; -1 when any is not a digit.
int digits(QStringView s, qsizetype from, qsizetype count) {
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// The date and time of a stored text. The record sets convert every date cell through here, so the
// forms SQLite stores ("yyyy-MM-dd", "yyyy-MM-dd HH:mm[:ss]") are read by hand; anything else goes
// through Qt's parser.
bool parseParts(const QString& text, QDate& date, QTime& time) {
    const QString s = text.trimmed();
    if (s.size() < 10) return false;
    const QStringView v(s);
    const bool plainDate = v[4] == u'-' && v[7] == u'-';
    const int y = plainDate ? digits(v, 0, 4) : -1, mo = digits(v, 5, 2), d = digits(v, 8, 2);
    date = (y >= 0 && mo >= 0 && d >= 0) ? QDate(y, mo, d) : QDate();
    if (!date.isValid()) return false;
    if (s.size() == 10) {
        time = QTime(0, 0);
        return true;
    }
    if (v[10] != u' ' && v[10] != u'T') return false;
    if ((s.size() == 16 || s.size() == 19) && v[13] == u':' && (s.size() == 16 || v[16] == u':')) {
        const int h = digits(v, 11, 2), mi = digits(v, 14, 2), se = s.size() == 19 ? digits(v, 17, 2) : 0;
        if (h >= 0 && mi >= 0 && se >= 0) {
            time = QTime(h, mi, se);
            if (time.isValid()) return true;
        }
    }
    time = QTime::fromString(s.mid(11).trimmed(), Qt::ISODateWithMs);
    return time.isValid();
}
}  // namespace

QDateTime parseDateTime(const QString& text) {
    QDate date;
    QTime time;
    return parseParts(text, date, time) ? QDateTime(date, time) : QDateTime();
}

QDate parseDate(const QString& text) {
    QDate date;
    QTime time;
    return parseParts(text, date, time) ? date : QDate();
}

}  // namespace SqliteSupport
