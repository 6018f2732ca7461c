#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include "ControlArray.h"
#include "Recordset.h"

class GridModel;
class QGroupBox;
class QTableView;

// The editor of one lookup list (a table with a key, an optional code and a description): add,
// correct and delete entries, each in a transaction of its own; sort by a header click; print.
// The caller calls Init, shows it modally, reads Canceled and Phrase (selection mode), deletes it.
class frmLookup : public QDialog {
    Q_OBJECT

public:
    explicit frmLookup(QWidget* parent = nullptr);
    ~frmLookup() override;

    bool Init(const QString& Caption, const QString& TableName, const QString& CodeField,
              const QString& DescrField, long ReportNo, const QString& IdField, bool ShowSelect);
    QString Phrase() const { return txt[1]->text().trimmed(); }
    bool Canceled() const { return m_canceled; }

    // The list's statement as it was last opened.
    QString Statement() const { return m_statement; }
    const Recordset& List() const { return m_rs; }

    // Controls, named as the form names them.
    QTableView* tdbg = nullptr;
    QGroupBox* fra = nullptr;
    ControlArray<QLineEdit> txt{QStringLiteral("txt")};
    ControlArray<QLabel> lbl{QStringLiteral("lbl")};
    ControlArray<QPushButton> cmd{QStringLiteral("cmd")};
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdExit = nullptr;

    void cmd_Click(int Index);
    void tdbg_HeadClick(int ColIndex);

public slots:
    void reject() override;  // Esc and the close box: as cmdExit

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();  // frmLookup_ui.cpp
    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    bool OpenRecordset();
    void AddRecord();
    void UpdateRecord();
    void DeleteRecord();
    void ValuesOK(int Mode, bool& OK);
    QString FindCriteria() const;
    // Begins a change's transaction; false, reported under the change's failure text, when it
    // cannot begin.
    bool BeginChange(const QString& failure);
    // Ends a change: commit on success, else the report and the roll-back; the list is read again
    // and stands on the entry found by the criterion (none: the first row).
    void EndChange(bool ok, const QString& failure, const QString& criteria);
    // A change or delete that no row took under the listed version (cond without it): the entry
    // another user deleted is reported, one another user changed asks the question.
    void StaleChange(const QString& cond, const QString& failure, const QString& criteria,
                     const QString& question);
    // Reads the list again and stands on the entry the criterion finds; false when none.
    bool requery(const QString& criteria);
    void adodc_MoveComplete();
    void cmdPrint_Click();
    void cmdSelect_Click();
    void cmdExit_Click();

    GridModel* m_rows = nullptr;
    Recordset m_rs;
    QString m_statement;
    QString m_table, m_codeField, m_descrField, m_idField;
    long m_reportNo = 0;
    bool m_hasCode = false, m_hasKey = false;
    bool m_hasVersion = false;  // the rows carry RowVersion::Column
    QString m_sortField;
    bool m_ascending = true;
    int m_lastHeader = 0;
    long m_key = 0;
    QString m_code, m_descr;
    QVariant m_version;      // the current entry's row version as listed (null without one)
    QString m_pendingToken;  // an addition whose commit's answer was lost, not judged yet
    bool m_canceled = false;
    bool m_unloaded = false;
};
