#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QCheckBox;
class QFrame;
class QPushButton;
class QTableView;

// Connected users: the session log's rows (by default the open ones), and closing a session left
// open. One modeless window for the run, kept by the main window; it deletes itself when closed.
class frmUsersActive : public QWidget {
    Q_OBJECT

public:
    explicit frmUsersActive(QWidget* parent = nullptr);
    ~frmUsersActive() override;

    // Sorts by user name, ascending, and reads the rows; always true.
    bool Init();
    // The statement of the last read.
    QString RecordSource() const { return m_source; }

    // The grid's columns and their fields.
    enum Column { colUserId, colUserName, colLogin, colLogout, ColumnCount };
    static QString FieldOf(int column);

    // Controls, named as the form names them. The grid's model is named "adodc".
    QTableView* tdbg = nullptr;
    QCheckBox* chkAll = nullptr;
    QFrame* fra = nullptr;
    std::array<QPushButton*, 3> cmdAction{};

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Rows;

    void buildControls();  // frmUsersActive_ui.cpp
    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void FillGrid();
    void tdbg_HeadClick(int column);
    void adodc_MoveComplete();
    void cmdAction_Click(int index);
    void closeSession();

    Rows* m_rows = nullptr;
    QString m_sortField;
    bool m_ascending = true;
    int m_lastHeader = colUserName;
    QString m_source;
    bool m_unloaded = false;
};
