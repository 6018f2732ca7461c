#include "App.h"

#include <QCoreApplication>
#include <ctime>

namespace {
struct AppState {
    QString title = QStringLiteral("Protocol");
    QString productName = QStringLiteral("Protocol");
    QString exeName = QStringLiteral("Protocol");
    QString path;
    int major = 0, minor = 0, revision = 0;
};
AppState& state() {
    static AppState s;
    return s;
}
}  // namespace

namespace App {
QString Title() {
    return state().title;
}
QString ProductName() {
    return state().productName;
}
QString EXEName() {
    return state().exeName;
}
QString Path() {
    if (state().path.isEmpty() && QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return state().path;
}
int Major() {
    return state().major;
}
int Minor() {
    return state().minor;
}
int Revision() {
    return state().revision;
}

void SetTitle(const QString& title) {
    state().title = title;
}
void SetProductName(const QString& name) {
    state().productName = name;
}
void SetEXEName(const QString& name) {
    state().exeName = name;
}
void SetPath(const QString& path) {
    state().path = path;
}
void SetVersion(int major, int minor, int revision) {
    state().major = major;
    state().minor = minor;
    state().revision = revision;
}

void UseLocalTimeZoneFile() {
    if (qEnvironmentVariableIsSet("TZ")) return;
    qputenv("TZ", ":/etc/localtime");
    tzset();
}
}  // namespace App
