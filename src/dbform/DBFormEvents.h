#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The events the record-form framework raises into its form, with the by-reference arguments
// the form may change. The defaults do nothing: a form handles the events it needs.
class DBFormEvents {
public:
    virtual ~DBFormEvents() = default;

    // After the record page was prepared for an action (1, 4, 16, 32, 128, 512).
    virtual void mclsDBForm_PostInitRec(long Action) { Q_UNUSED(Action); }
    // After the bound controls show a record; the form fills its own controls. An entry is shown
    // whole or not at all: a form whose own reading failed sets OK False and leaves the error
    // pending; the framework then empties the page (ClearRec), reports it, and reads the entry
    // again before an edit, copy or delete.
    virtual void mclsDBForm_PostShowRec(const QVariant& recID, bool& OK) {
        Q_UNUSED(recID);
        Q_UNUSED(OK);
    }
    // The record page shows no record (none is current, or it could not be read whole): the form
    // empties its own controls, without reading anything.
    virtual void mclsDBForm_ClearRec() {}
    // Before a save; false refuses it.
    virtual void mclsDBForm_ValuesOK(bool& OK) { Q_UNUSED(OK); }
    // The INSERT's column and value lists (32, 128) or the UPDATE's SET list in sFields (16), each
    // empty or ending in a comma: the form appends its items without a separator in front.
    virtual void mclsDBForm_PreSaveRec(long Action, QString& sFields, QString& sValues) {
        Q_UNUSED(Action);
        Q_UNUSED(sFields);
        Q_UNUSED(sValues);
    }
    // The framework deletes nothing itself: the form deletes and sets OK; bAbortDeletion refuses.
    // It runs inside the framework's transaction (with PostAction(64) after it): a form that shows
    // a box here rolls it back first, so that no lock is held while the user reads.
    virtual void mclsDBForm_DelRec(const QVariant& recID, bool& OK, bool& bAbortDeletion) {
        Q_UNUSED(recID);
        Q_UNUSED(OK);
        Q_UNUSED(bAbortDeletion);
    }
    // After the attempt to write the main row (for an insert, the new row's key), and after a delete.
    // On success it runs inside the framework's transaction: the form's own BeginTrans/CommitTrans
    // nest in it, and its RollbackTrans undoes the whole save (the framework then keeps the edit).
    virtual void mclsDBForm_PostAction(const QVariant& key, long Action, bool success) {
        Q_UNUSED(key);
        Q_UNUSED(Action);
        Q_UNUSED(success);
    }
    // After a save's transaction, the main row with the rows PostAction wrote, was committed:
    // what the user is told of a saved row belongs here, not in PostAction.
    virtual void mclsDBForm_PostCommit(const QVariant& key, long Action) {
        Q_UNUSED(key);
        Q_UNUSED(Action);
    }
    // Before the list is opened from the search page: a condition to add, or "%%" and a whole
    // SELECT statement that is opened as it stands.
    virtual void mclsDBForm_SearchCond(QString& sCond) { Q_UNUSED(sCond); }
    // The print key: the list's condition (or "%%" statement), the condition that always applies,
    // and the sort choices ("FIELD~caption").
    virtual void mclsDBForm_PrintReport(QString& sWhereCond, QString& mExtraCond, QStringList& arFields) {
        Q_UNUSED(sWhereCond);
        Q_UNUSED(mExtraCond);
        Q_UNUSED(arFields);
    }
};
