#pragma once

#include <QString>

// The two stored secrets: a user's password in USERS.U_PSW and the installation's database log-in
// in the setting L. The installation program, the log-in and the users form share these forms.
namespace PswFormat {
// The fixed key of the setting L.
inline constexpr int kLKey = 37;

// A fresh key character code, 32..99.
int NewKeyCode();
// The key character, then the password scrambled with its code.
QString Store(const QString& password, int keyCode);
// The plain password of a stored one ("" for an empty text).
QString Read(const QString& stored);

// The scrambled L text: 10 fillers, user, 7 fillers, "~@^", 4 fillers, password, 11 fillers.
QString ComposeL(const QString& user, const QString& password);
// Unscrambles L and cuts out user and password; a malformed text gives empty pieces, never
// negative lengths.
void ParseL(const QString& scrambled, QString& user, QString& password);
}  // namespace PswFormat
