#pragma once

#include <QDialog>
#include <QFrame>
#include <QPushButton>
#include <memory>

#include "ControlArray.h"
#include "ControlArrays.h"
#include "DBFormEvents.h"
#include "Err.h"

class Adodc;
class ListRecordset;
class QTabWidget;
class QTableView;
class QToolBar;
class clsDBForm;

// The window of a record form: the framework's standard controls (toolbar `tlb1`, page tabs `tabA`
// with the frames `fr(0)` to `fr(2)`, list grid `tdbg` on the list page, data control `adodc`, the
// buttons `cmdAction(0)` and `cmdAction(1)`) and the forwarding of their events to `mclsDBForm`.
// A form derives from it, puts its own controls into the frames, registers its control arrays and
// overrides the handlers and events it needs. Every key press in the window reaches Form_KeyDown
// first (key preview); a handler that sets KeyCode to 0 consumes the key.
class DBFormWindow : public QDialog, public DBFormEvents {
    Q_OBJECT
public:
    explicit DBFormWindow(QWidget* parent = nullptr);
    ~DBFormWindow() override;

    // The framework, created by the form's Init.
    std::unique_ptr<clsDBForm> mclsDBForm;

    QToolBar* tlb1 = nullptr;
    QTabWidget* tabA = nullptr;
    QTableView* tdbg = nullptr;
    Adodc* adodc = nullptr;
    ControlArray<QFrame> fr{QStringLiteral("fr")};
    ControlArray<QPushButton> cmdAction{QStringLiteral("cmdAction")};

    // The form's control arrays, which the framework binds by name and index.
    ControlArrays& Controls() { return m_controls; }
    // A member of a control array: the registered arrays first, else a child named "name(index)".
    QWidget* Control(const QString& arrayName, int index) const;

    // The framework's values of a column for the selected list rows; Empty without a framework.
    QVariant SelectedRecs(const QString& column) const;

protected:
    // The forwarding handlers: each passes its event to the framework unchanged. A form that
    // overrides one does its own work and calls the base for the forwarding.
    virtual void Form_Resize();
    virtual void Form_KeyDown(int& KeyCode, int& Shift);
    virtual void tlb1_ButtonClick(const QString& key);
    virtual void tabA_Click(int previousTab);
    virtual void tdbg_DblClick();
    virtual void cmdAction_Click(int index);
    virtual void adodc_MoveComplete(long adReason, ErrObject* pError, long& adStatus,
                                    ListRecordset* pRecordset);

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ControlArrays m_controls;
    int m_lastTab = 0;
};
