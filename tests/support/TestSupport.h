#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

// The control names of the window's inputs (text, combo and list boxes with a control name) that
// the accessibility layer gives no name: every input must be named by its Greek label.
QStringList unnamedInputs(QWidget* window);

// Types text, Greek included, into a widget one character at a time (QTest::keyClicks aborts on
// characters outside Latin-1).
void typeText(QWidget* widget, const QString& text);
