#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include "ControlArray.h"

class GridModel;
class QGroupBox;
class QPushButton;
class QTableView;

// Picker of one description of a lookup table (L_APO, L_PROS, L_TOPOS, L_ARMODIOS, L_PHRASES,
// L_ARXEIOTHETHSH): the list narrows to the descriptions that begin with the typed text.
// The caller calls Init, shows it modally, reads Canceled and (when false) Phrase, and deletes it.
class SqlDialect;

class frmPhrases : public QDialog {
    Q_OBJECT

public:
    explicit frmPhrases(QWidget* parent = nullptr);
    ~frmPhrases() override;

    // Takes the table (columns ID and DESCR) and the window's caption, and lists the table.
    bool Init(const QString& table, const QString& caption);
    // The description of the last row the grid stood on, trimmed; "" before any.
    QString Phrase() const { return m_phrase.trimmed(); }
    bool Canceled() const { return m_canceled; }
    // Lists the rows whose description begins with the filter box's text, in the chosen order.
    void Fill();
    // Fill's statement for a table, the filter box's text and the sort.
    static QString FillSql(const QString& table, const QString& filterText, const QString& sortField,
                           bool ascending, const SqlDialect& dialect);

    // Controls, named as the form names them.
    QGroupBox* fra = nullptr;
    ControlArray<QLineEdit> txt{QStringLiteral("txt")};
    ControlArray<QLabel> lbl{QStringLiteral("lbl")};
    QTableView* tdbg = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdExit = nullptr;

public slots:
    void reject() override;  // Esc and the close box: as cmdExit

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();  // frmPhrases_ui.cpp
    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void txt_Change(int index);
    void tdbg_RowColChange();
    void tdbg_HeadClick(int column);
    void cmdSelect_Click();
    void cmdExit_Click();
    QString fieldOfColumn(int column) const;

    GridModel* m_rows = nullptr;  // the grid's model, owned by the form
    QString m_table;
    QString m_descrField;
    QString m_sortField;
    bool m_ascending = true;
    int m_lastHeader = 0;
    QString m_phrase;
    bool m_canceled = false;
    bool m_unloaded = false;
};
