#include "TestSupport.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>

#include "App.h"
#include "CommonDialog.h"
#include "Err.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "frmMDI.h"
#include "modDeclare.h"

namespace {
const char* const kConfigVar = "PROTOCOL_CONFIG_DIR";
}

TempSettings::TempSettings() : m_old(qgetenv(kConfigVar)), m_hadOld(qEnvironmentVariableIsSet(kConfigVar)) {
    // An empty value would send the tests to the real settings files.
    if (!m_dir.isValid()) qFatal("TempSettings: no temporary folder");
    qputenv(kConfigVar, QFile::encodeName(m_dir.path()));
}

TempSettings::~TempSettings() {
    if (m_hadOld)
        qputenv(kConfigVar, m_old);
    else
        qunsetenv(kConfigVar);
}

QString TempSettings::machineFile() const {
    return m_dir.path() + QStringLiteral("/machine.ini");
}

QString TempSettings::userFile() const {
    return m_dir.path() + QStringLiteral("/user.ini");
}

AnswerQueues::AnswerQueues() {
    MsgBoxHook::Install();
    MsgBoxHook::Clear();
    CommonDialogHook::Install();
}

AnswerQueues::~AnswerQueues() {
    MsgBoxHook::Uninstall();
    CommonDialogHook::Uninstall();
}

void typeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the BMP is one key press of two UTF-16 units.
        const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, len), Qt::NoModifier);
        i += len - 1;
    }
}

QStringList unnamedInputs(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w);
        // A combo's own line edit is named through the combo.
        if (!input || w->objectName().isEmpty() || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) out << w->objectName();
    }
    return out;
}

TestSession::TestSession() {
    App::SetTitle(QStringLiteral("Πρωτόκολλο"));
}

TestSession::~TestSession() {
    if (frmMDI::exists()) delete frmMDI::instance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    modDeclare::gConn.reset();
    modDeclare::gUser.reset();
    modDeclare::gErr.reset();
    Err().Clear();
}

bool TestSession::startReporter(bool saveErrors) {
    if (saveErrors) App::SetPath(m_settings.dir());
    modDeclare::gErr = std::make_unique<cls_Error>();
    return modDeclare::gErr->Init(saveErrors);
}

WindowSession::WindowSession() {
    modDeclare::gErr = std::make_unique<cls_Error>();
    modDeclare::gErr->Init(false);
    frmMDI::instance();
}

WindowSession::~WindowSession() {
    if (frmMDI::exists()) delete frmMDI::instance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    modDeclare::gConn.reset();
    modDeclare::gUser.reset();
    modDeclare::gErr.reset();
}

namespace SessionSql {

bool exec(const QString& sql) {
    const bool ok = modDeclare::gConn->Execute(sql);
    if (!ok) qWarning("%s", qPrintable(sql + QStringLiteral(": ") + modDeclare::gConn->LastErrorText()));
    return ok;
}

QString scalar(const QString& sql) {
    Recordset rs;
    if (!rs.Open(sql, modDeclare::gConn) || rs.Eof()) return {};
    return rs.Value(0).toString();
}

}  // namespace SessionSql
