#include "TestSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
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

ClaimsEveryKey::ClaimsEveryKey(QWidget* box) : m_box(box) {
    m_box->installEventFilter(this);
}

ClaimsEveryKey::~ClaimsEveryKey() {
    if (m_box) m_box->removeEventFilter(this);
}

bool ClaimsEveryKey::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) event->accept();
    return false;
}

QStringList shortcutsMissedFrom(QToolBar* bar, const QList<QWidget*>& controls) {
    QStringList missed;
    const QSignalBlocker quiet(bar);
    for (QWidget* control : controls) {
        if (!control->isEnabled()) continue;  // no key reaches it
        for (QAction* a : bar->actions()) {
            if (!a->isEnabled() || !a->isVisible() || a->shortcut().isEmpty()) continue;
            bar->window()->activateWindow();
            if (!QTest::qWaitForWindowActive(bar->window())) return {QStringLiteral("window not active")};
            control->setFocus();
            // The focus proxy (a combo's line edit) is the one that claims keys.
            QWidget* focus = QApplication::focusWidget();
            if (!focus || (focus != control && !control->isAncestorOf(focus))) {
                missed << QStringLiteral("no focus in ") + control->objectName();
                break;
            }
            const ClaimsEveryKey claim(focus);
            int triggered = 0;
            const auto c = QObject::connect(a, &QAction::triggered, bar, [&triggered] { ++triggered; });
            QTest::keySequence(focus, a->shortcut());
            QObject::disconnect(c);
            if (triggered != 1)
                missed << a->objectName() + QStringLiteral(" from ") +
                              (control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                               : control->objectName());
        }
    }
    return missed;
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

bool InjectCommitFate(const QString& fate) {
    using modDeclare::gConn;
    const bool reached = fate != QLatin1String("not stored");
    if (fate == QLatin1String("stored, not readable"))
        gConn->InjectCall(1, Connection::Point::Commit, [] {
            gConn->InjectFault(1, Connection::Fault::FailStatement, Connection::Point::Statement);
        });
    gConn->InjectFault(1, reached ? Connection::Fault::LoseAnswer : Connection::Fault::DropConnection,
                       Connection::Point::Commit);
    return reached;
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
