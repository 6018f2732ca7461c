#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Word-processor documents through the desktop's document application (LibreOffice here): shown
// to the user, or their whole text taken into a text box by way of the system clipboard.
class cls_Word : public QObject {
    Q_OBJECT
public:
    explicit cls_Word(QObject* parent = nullptr);

    // Shows the document in the desktop's application for its type. True when it was handed over.
    bool OpenWordDOC(const QString& DocName);
    // Puts the document's whole text into the text box (QLineEdit, QPlainTextEdit or QTextEdit);
    // the clipboard holds the text afterwards. True when the text was taken.
    bool WordDOC_into_TXT(const QString& DocName, QWidget* txt);
    // Whether the document application can be reached (found anew at each call).
    bool WordOpened();

    // How long one conversion may take before it counts as failed.
    static constexpr int ConversionTimeoutMs = 120000;

private:
    bool ConnectWord();
    // The document's text converted by the application without a window; false with the error
    // pending.
    bool convertToText(const QString& docName, QString* text);

    QString mWordApp;  // the application's program; empty until ConnectWord found it
};
