#pragma once

#include <QString>

// The database failures a clerk meets, said in Greek: what happened and what to do, then the
// driver's own text for the administrator (the error log keeps both).
namespace DbMessages {
// What is known of an SQLite register's file when one of its statements failed.
struct FileFacts {
    bool exists = false;
    bool mediumReadOnly = false;  // its file system is mounted read-only
};
FileFacts FactsOf(const QString& databaseFile);
// The line that brings in the driver's text.
QString AdministratorLine();
// The Greek sentence for a driver's text, or "" when it is not one of the known failures.
QString Sentence(const QString& driverText);
// The sentence, a line break, AdministratorLine() and the driver's text; the text unchanged when
// no sentence fits or it is already explained.
QString Explained(const QString& driverText);
// The same for a failure of an SQLite register: a file that cannot be opened, or written, is told
// apart by where it lies (a read-only medium or folder, or a file that is there but will not open).
QString Sentence(const QString& driverText, const FileFacts& file);
QString Explained(const QString& driverText, const FileFacts& file);
// The driver's part of an explained text (the whole text when it is not one).
QString DriverPart(const QString& text);
// A lost connection: `lost` (the fixed first sentence), what to do, and the driver's text.
QString LostConnection(const QString& lost, const QString& driverText);
// A lost connection that could not be opened again, with the reason of the failed open.
QString NotRestored(const QString& notRestored, const QString& openError, const FileFacts* file = nullptr);
// A transaction that could not go on: nothing of it was written.
QString BrokenTransaction(const QString& why);
}  // namespace DbMessages
