#pragma once

#include <QHash>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <memory>

#include "ArrayHelper.h"
#include "ComboFiller.h"
#include "ControlArray.h"
#include "DBFormWindow.h"
#include "DateBox.h"
#include "ListHelper.h"

class ListRecordset;

// The register window: the record form of the document register, run by the framework from the
// register's form script, with its department lists, document files and attachments.
class frmProtocol : public DBFormWindow {
    Q_OBJECT
public:
    explicit frmProtocol(QWidget* parent = nullptr);
    ~frmProtocol() override;

    // Fills the lists and starts the framework; false when the framework refused (the window is
    // then not to be shown).
    bool Init();
    QVariant SelectedRecs(const QString& column) const;

    // Record page.
    ControlArray<QLabel> lblEdit{QStringLiteral("lblEdit")};
    ControlArray<DateBox> dtEdit{QStringLiteral("dtEdit")};
    ControlArray<QWidget> tbEdit{QStringLiteral("tbEdit")};  // QLineEdit or QPlainTextEdit
    ControlArray<QComboBox> cmbEdit{QStringLiteral("cmbEdit")};
    ControlArray<QListWidget> lstEdit{QStringLiteral("lstEdit")};
    ControlArray<QPushButton> cmdEdit{QStringLiteral("cmdEdit")};
    ControlArray<QLabel> lblFilesCnt{QStringLiteral("lblFilesCnt")};
    ControlArray<QLabel> lbl{QStringLiteral("lbl")};
    ControlArray<QFrame> ln{QStringLiteral("ln")};
    ControlArray<QLabel> lblBackEx{QStringLiteral("lblBackEx")};
    ControlArray<QLabel> lblImg{QStringLiteral("lblImg")};
    ControlArray<QLabel> img{QStringLiteral("img")};
    QLabel* lblAA = nullptr;
    QLabel* lblModif = nullptr;

    // Search page.
    ControlArray<QLineEdit> txtSearch{QStringLiteral("txtSearch")};
    ControlArray<DateBox> dtSearch{QStringLiteral("dtSearch")};
    ControlArray<QComboBox> cmbSearch{QStringLiteral("cmbSearch")};
    ControlArray<QPushButton> cmdSearch{QStringLiteral("cmdSearch")};
    ControlArray<QLabel> lblInfo{QStringLiteral("lblInfo")};
    ControlArray<QLabel> lblSearch{QStringLiteral("lblSearch")};

    QPushButton* cmdExport = nullptr;

    // The text of a record-page text box, whichever kind it is.
    QString tbText(int index) const;
    void setTbText(int index, const QString& text);

    // The window's own operations.
    void EnableIncoming(bool Enabled);
    void AddAttachment();
    void ShowFilesCount(int Index);
    // False, with the error pending, when the stored links could not be read.
    bool MarkDepartments(int ListIndex, long PR_ID);
    // No department of the list marked as stored or selected.
    void UnmarkDepartments(int ListIndex);

    // Event handlers of the controls.
    void cmdEdit_Click(int Index);
    void cmbEdit_KeyDown(int Index, int& KeyCode, int Shift);
    void cmbSearch_Click(int Index);
    void cmdSearch_Click(int Index);
    void cmdExport_Click();
    // The export file's header and one entry's line (each value followed by ";"), with the
    // user's date and time formats and the list's fields looked up once.
    struct ExportFormat {
        QString dateFormat, timeFormat;
        QList<int> fields;  // per exported column, the list's field; -1 when absent
        QHash<qint64, QString> dates;  // texts of the dates met so far, by day: a list repeats them
    };
    static QString ExportHeader();
    // One value as the file holds it: between double quotes, inner ones doubled, when it holds ";",
    // a double quote or a line break; else as it is.
    static QString CsvValue(const QString& text);
    static ExportFormat ExportFormatOf(const ListRecordset& list);
    // Appends one entry's line, with its CR LF.
    static void AppendExportLine(QString& out, ExportFormat& format, const QVector<QVariant>& values);

    // The framework's events.
    void mclsDBForm_PostInitRec(long Action) override;
    void mclsDBForm_PostShowRec(const QVariant& recID, bool& OK) override;
    void mclsDBForm_ClearRec() override;
    void mclsDBForm_ValuesOK(bool& OK) override;
    void mclsDBForm_PreSaveRec(long Action, QString& sFields, QString& sValues) override;
    void mclsDBForm_DelRec(const QVariant& recID, bool& OK, bool& bAbortDeletion) override;
    void mclsDBForm_PostAction(const QVariant& key, long Action, bool success) override;
    void mclsDBForm_PostCommit(const QVariant& key, long Action) override;
    void mclsDBForm_SearchCond(QString& sCond) override;
    void mclsDBForm_PrintReport(QString& sWhereCond, QString& mExtraCond, QStringList& arFields) override;

    // The state the events keep (readable for tests).
    const QStringList& FileIds() const { return m_fileIds; }
    // The name a document file is stored under: "/" and its path below the documents folder, with
    // ".." and links resolved; empty when the file does not exist or lies outside the folder.
    // The open-file key is enabled exactly while the page lists a document file.
    void UpdateOpenButton();
    static QString DocumentName(const QString& folder, const QString& path);
    // The file a stored name opens, resolved the same way; empty when it is missing or outside.
    static QString DocumentPath(const QString& folder, const QString& name);
    const QStringList& AttachmentIds() const { return m_attachIds; }
    const QStringList& TypeCodes() const { return m_typeCodes; }
    const QStringList& DepartmentCodes() const { return m_deptCodes; }
    static QString BaseCondition() { return QStringLiteral("(MODFLAG<>'D')"); }

protected:
    void Form_Load();
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int& Shift) override;
    void tabA_Click(int previousTab) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildRecordPage();
    void buildSearchPage();
    void pick(const QString& table, const QString& caption, QWidget* box, bool blankAfter);
    void addFile();
    void removeItem(int index);
    void openFile();
    void tdbg_FetchRowStyle();

    bool m_listsFilled = false;
    std::unique_ptr<ComboFiller> m_filler;
    std::unique_ptr<ListHelper> m_lists;
    std::unique_ptr<ArrayHelper> m_arrays;
    std::unique_ptr<ComboFiller> m_searchFiller;  // the search event's, made on first use
    QStringList m_typeCodes, m_deptCodes;
    QStringList m_fileIds, m_attachIds;
};
