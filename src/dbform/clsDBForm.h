#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "Connection.h"
#include "Err.h"
#include "FormScript.h"

class DBFormWindow;
class GridModel;
class ImageList;
class ListRecordset;
class QAction;
class QKeySequence;
class QLabel;
class QWidget;

// The record-form framework: runs a form's three pages (record, search, list) from its form
// script over one table. It binds the form's control arrays, lists the rows, shows and writes the
// main row, and raises the form's events (DBFormEvents) at each step.
class clsDBForm : public QObject {
    Q_OBJECT
public:
    // The actions, as the events receive them and as bits of the permission mask.
    enum Action : long {
        actView = 1,
        actSearchReset = 4,
        actUpdate = 16,
        actNew = 32,
        actDelete = 64,
        actCopy = 128,
        actOther = 512,  // an edit abandoned with "cancel"
    };
    static constexpr long AlwaysGranted = 2 | 8;

    // The page tabs.
    enum Page { RecordPage = 0, SearchPage = 1, ListPage = 2 };

    explicit clsDBForm(QObject* parent = nullptr);
    ~clsDBForm() override;

    // The connection text of the session (kept; the connection itself comes with Init).
    void ConnString(const QString& connStr) { m_connStr = connStr; }
    QString ConnString() const { return m_connStr; }

    // Reads the script and sets the form up. Arguments 4, 5, 9 to 11, 14 and 17 to 19 are accepted
    // for the callers' sake and not used; 15 is the toolbar's image size in pixels (0: the style's).
    // False, with the failure reported through gErr, when the script cannot be read, names no
    // table or key, or binds a control the form does not have.
    bool Init(const QString& formScript, DBFormWindow* form, ConnectionPtr& conn, const QString& arg4,
              const QString& arg5, const QString& section, const ImageList* images, long permissions,
              long arg9, long arg10, const QVariant& arg11, const QString& firstCond, const QString& order,
              const QString& arg14, long imageSize, const QString& baseCond, QObject* arg17, short arg18,
              long arg19);

    // Lists the rows of a condition ("" the first condition) with the base condition, or of a "%%"
    // statement as it stands, at most grdMaxRecs of them, and shows the first.
    bool Refresh(const QString& cond);

    // The forwarded control events.
    void DataMoveComplete(long adReason, ErrObject* pError, long& adStatus, ListRecordset* pRecordset);
    void FormResize();
    void FormKeyDown(int& KeyCode, int& Shift);
    void ToolbarAction(const QString& key);
    void TabClick(int previousTab);
    void GridDblClick();
    void ActionClick(int index);

    // The column's values of the selected list rows as a QVariantList; Empty (invalid) when none
    // is selected or the list has no such column.
    QVariant SelectedRecs(const QString& column) const;
    // The action in progress: 16, 32 or 128 while editing, else 1.
    long CurAction() const { return m_action ? m_action : long(actView); }
    // Called right before the form drops the framework: no event is raised afterwards.
    void Terminate();

    // False when the user keeps an unsaved edit (the window's close asks first).
    bool QueryUnload();
    bool Editing() const { return m_action != 0; }
    // The key of the record on the record page; null when none.
    QVariant CurrentKey() const { return m_currentKey; }
    // The page shows the current record whole: its row and everything the form reads with it.
    // False while a record that could not be read whole is current (the page is then empty).
    bool ShownWhole() const { return m_shownWhole; }
    const FormScript& Script() const { return m_script; }
    std::shared_ptr<ListRecordset> List() const { return m_list; }
    GridModel* Grid() const { return m_model; }
    // The list's condition (without WHERE) or "%%" statement, as PrintReport hands it on.
    QString ListCondition() const { return m_listCond; }
    // The whole statement the list runs.
    QString ListStatement() const { return m_listStatement; }
    QString ListOrder() const;
    int MaxRecs() const { return m_maxRecs; }
    long Permissions() const { return m_permissions; }
    bool Permitted(long action) const { return (m_permissions | AlwaysGranted) & action; }
    QAction* ToolbarButton(const QString& key) const;

    // The column a control is bound to or searches, as the framework leaves it on the control.
    static QString FieldOf(const QWidget* control);
    static constexpr const char* FieldProperty = "DataField";
    // The toolbar's keys and captions, in order.
    static const QList<QPair<QString, QString>>& ToolbarKeys();
    static QStringList TabCaptions();
    // The keyboard shortcut of a toolbar key (shown in its tooltip).
    static QKeySequence ToolbarShortcut(const QString& key);
    // The refusal when a required control is empty, and the date one.
    static QString RequiredMessage(const QString& caption);
    static QString BadDateMessage(const QString& caption);
    static QString DeleteQuestion();
    // A save refused because the row was deleted, or changed by another user, since it was shown.
    static QString DeletedMessage();
    static QString ConflictQuestion();
    // A delete refused because another user changed the row since it was shown.
    static QString DeleteConflictQuestion();
    // A table with this column is updated only while the row still has the version shown; the
    // schema's triggers change it with every update (RowVersion).
    static constexpr const char* VersionColumn = "ROWVER";
    // The version of the row on the record page (null when it has none): a form's own delete
    // writes only while the row still has it (RowVersion::Condition) and leaves OK False when it
    // found no row; the framework then tells the user why.
    QVariant ShownVersion() const { return m_shownVersion; }
    // A table with this column gets a new token with every save, so that a save whose commit's
    // answer was lost is found (or not) once the connection is back.
    static constexpr const char* TokenColumn = "SAVETOKEN";
    // What the user is told when the connection died during a commit: not stored, typed values
    // kept; or not yet known, to be asked at the next save.
    static QString CommitLostMessage();
    static QString CommitUnknownMessage();
    // The save that PostCommit hears of was found stored after its commit's answer was lost.
    bool SaveRecovered() const { return m_saveRecovered; }
    static QString UnsavedQuestion();

private:
    struct Bound {
        const FormScript::Control* control = nullptr;
        QPointer<QWidget> widget;
        QPointer<QLabel> label;  // the caption's label, when the form gave the control one
    };

    bool bindControls(QString* error);
    void buildToolbar(const ImageList* images, long imageSize);
    void updateToolbar();
    QString captionOf(const Bound& b) const;

    bool openList(const QString& cond, const QVariant& keepKey);
    void applyGridColumns();
    void syncGrid();
    void showCurrent();
    void showRecord(QVariant key);  // by value: callers pass m_currentKey, which it resets
    // Before an action on the current record: reads it again when the page does not show it
    // whole; false (the failure reported) when it still cannot be shown.
    bool readAgainIfNotShown();
    void clearRecordPage();
    void prepareRecordPage(long action);
    void enterView();

    void beginEdit(long action);
    bool saveRecord();
    void cancelEdit();
    void deleteRecord();
    // Why an UPDATE found no row: deleted meanwhile, or changed (the user may see it as it is now).
    void reportLostUpdate(const QVariant& key);
    // After a delete the form could not carry out: when the row is no longer as shown, says so
    // (and offers to show it as it is now); false when the row is unchanged.
    bool reportLostDelete(const QVariant& key);
    // Ends the transaction a save or delete left open, keeping the pending error.
    void rollBack();
    // After a save's commit: the form hears of it, and the saved row is shown.
    void finishSave(const QVariant& key, long reported);
    // Whether the save with this token was stored; its key when it was.
    enum class Stored { Yes, No, Unknown };
    Stored findSaved(const QString& token, QVariant* key);
    // A commit that died with the connection: told as stored, not stored or not yet known.
    bool resolveLostCommit(const QString& token, long reported);
    bool hasTokenColumn();
    void search();
    void clearSearch();
    void sortList(bool descending);
    void printReport();
    void setTab(int page);

    QString searchConditions() const;
    void reportError(const QString& source, bool database);

    QPointer<DBFormWindow> m_form;
    ConnectionPtr m_conn;
    QString m_connStr, m_section, m_firstCond, m_order, m_baseCond;
    long m_permissions = 0;
    int m_maxRecs = 50;
    FormScript m_script;
    QList<Bound> m_bound;
    GridModel* m_model = nullptr;
    std::shared_ptr<ListRecordset> m_list;
    QString m_listCond, m_listStatement, m_sortOrder;
    QVariant m_currentKey;
    QVariant m_editKey;                      // the row an edit or copy started from
    QVariant m_shownVersion, m_editVersion;  // VersionColumn of the row shown, and as the edit began
    long m_action = 0;
    int m_tokenColumn = -1;  // TokenColumn in the table: 1 yes, 0 no, -1 not known yet
    QString m_pendingToken;  // of a save whose commit's fate is not known yet
    long m_pendingReported = 0;
    bool m_saveRecovered = false;
    bool m_started = false;
    bool m_terminated = false;
    bool m_busy = false;  // a row move the framework makes itself
    bool m_shownWhole = false;
};
