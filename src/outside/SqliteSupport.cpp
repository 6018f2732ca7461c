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
    int rc = sqlite3_create_collation(db, kGreekCollation, SQLITE_UTF16_ALIGNED, nullptr, collate);
    const int pure = SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (rc == SQLITE_OK) rc = sqlite3_create_function(db, "like", 2, pure, nullptr, like, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_create_function(db, "like", 3, pure, nullptr, like, nullptr, nullptr);
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

QDateTime parseDateTime(const QString& text) {
    const QString s = text.trimmed();
    if (s.size() < 10) return {};
    const QDate date = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) return {};
    if (s.size() == 10) return QDateTime(date, QTime(0, 0));
    if (s.at(10) != QLatin1Char(' ') && s.at(10) != QLatin1Char('T')) return {};
    const QTime time = QTime::fromString(s.mid(11).trimmed(), Qt::ISODateWithMs);
    return time.isValid() ? QDateTime(date, time) : QDateTime();
}

}  // namespace SqliteSupport
