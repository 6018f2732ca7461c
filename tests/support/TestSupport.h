#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

class QWidget;

// Points the settings store at an empty temporary folder for the lifetime of the object.
class TempSettings {
public:
    TempSettings();
    ~TempSettings();
    QString dir() const { return m_dir.path(); }
    QString machineFile() const;
    QString userFile() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld = false;
};

// Installs the message-box and file-dialog hooks for the lifetime of the object.
class AnswerQueues {
public:
    AnswerQueues();
    ~AnswerQueues();
};

// The session of a test of the dialogs, for the lifetime of the object: empty settings, answer
// queues and the program's title ("Πρωτόκολλο"). At the end the main window, the session's
// connection, user and error reporter and the last error are gone.
class TestSession {
public:
    TestSession();
    ~TestSession();
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;
    const TempSettings& settings() const { return m_settings; }
    // The error reporter; one that saves its log writes it in the settings folder (App::Path).
    bool startReporter(bool saveErrors);

private:
    TempSettings m_settings;
    AnswerQueues m_answers;
};

// The session of a test of the work windows, for the lifetime of the object: empty settings,
// answer queues, the error reporter (without its log) and the main window. At the end the main
// window, the session's connection and user and the reporter are gone.
class WindowSession {
public:
    WindowSession();
    ~WindowSession();
    const TempSettings& settings() const { return m_settings; }

private:
    TempSettings m_settings;
    AnswerQueues m_answers;
};

// Makes the next commit on the session's connection end as the fate says: "not stored" (the
// connection dropped before the COMMIT), "stored" (the COMMIT ran and its answer was lost), or
// "stored, not readable" (the same, and the first statement after it fails too). True when the
// commit reaches the server.
bool InjectCommitFate(const QString& fate);

// Statements on the session's connection (modDeclare::gConn).
namespace SessionSql {
// Runs the statement; a failure is warned with the statement and its error.
bool exec(const QString& sql);
// The first value of the first row as text; empty when the statement fails or finds nothing.
QString scalar(const QString& sql);
}  // namespace SessionSql

// The control names of the window's inputs (text, combo and list boxes with a control name) that
// the accessibility layer gives no name: every input must be named by its Greek label.
QStringList unnamedInputs(QWidget* window);

// While it lives, its box takes every key offered to it as its own, as a box does with the keys of
// its own bindings.
class ClaimsEveryKey final : public QObject {
public:
    explicit ClaimsEveryKey(QWidget* box);
    ~ClaimsEveryKey() override;
    bool eventFilter(QObject*, QEvent* event) override;

private:
    QPointer<QWidget> m_box;
};

// Presses the shortcut of every enabled, visible action of the bar with the focus in each control,
// each control claiming every key for itself as a box does with its own bindings (on X11 a text
// box takes Ctrl+E as "end of line"). The bar's own signals are blocked meanwhile, so nothing is
// done. A disabled control is passed over. Returns "<action> from <control>" for each key that did not trigger its action once.
class QToolBar;
QStringList shortcutsMissedFrom(QToolBar* bar, const QList<QWidget*>& controls);

// Types text, Greek included, into a widget one character at a time (QTest::keyClicks aborts on
// characters outside Latin-1).
void typeText(QWidget* widget, const QString& text);

// Runs the action on the modal window of type W once its loop runs (it watches until one does);
// an action that leaves the window open fails the test, and the window is closed so that its loop
// ends. The driver dies with the test, so it never acts in a later one.
template <typename W>
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(W*)> action) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, action] {
            auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
            if (!w) return;
            m_timer.stop();
            m_shown = true;
            m_title = w->windowTitle();
            action(w);
            if (w->isVisible()) {
                QTest::qFail("the window is still open", __FILE__, __LINE__);
                w->close();
            }
        });
        m_timer.start(10);
    }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    bool shown() const { return m_shown; }
    QString title() const { return m_title; }

private:
    QTimer m_timer;
    bool m_shown = false;
    QString m_title;
};
