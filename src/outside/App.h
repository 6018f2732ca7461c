#pragma once

#include <QString>

// What the program knows about itself: title, version and folder. Each program's main() sets it up;
// tests may point Path elsewhere.
namespace App {
QString Title();  // the application's title, used by message boxes
QString ProductName();
QString EXEName();  // the program's file name without extension
QString Path();     // the program's folder
int Major();
int Minor();
int Revision();

void SetTitle(const QString& title);
void SetProductName(const QString& name);
void SetEXEName(const QString& name);
void SetPath(const QString& path);
void SetVersion(int major, int minor, int revision);

// With TZ unset the C library looks at /etc/localtime again for every local time it converts (each
// date a list reads): TZ then names that same file once, so it is read once. A TZ already set is
// kept. Called first thing in main(), before any other thread reads the environment.
void UseLocalTimeZoneFile();
}  // namespace App
