#pragma once

#include <QDialog>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

// The totals report's print dialog: print, preview, page set-up or cancel. Shown modally, perhaps
// again after the page set-up; the caller reads Action and deletes it.
class frmRptProtGroup : public QDialog {
    Q_OBJECT

public:
    enum ActionCode : long { actCancel = 1, actPreview = 2, actPrint = 3, actPageSetup = 7 };

    explicit frmRptProtGroup(QWidget* parent = nullptr);
    ~frmRptProtGroup() override;

    long Action() const { return m_action; }
    bool Canceled() const { return m_canceled; }

    // Controls, named as the form names them.
    QFrame* Frame1 = nullptr;
    QLabel* lbl = nullptr;
    std::array<QPushButton*, 4> cmdAction{};

public slots:
    void reject() override;  // Esc and the close box count as "Ακύρωση"

private:
    void buildControls();  // frmRptProtGroup_ui.cpp
    void Form_Load();
    void Form_Unload();
    void cmdAction_Click(int Index);

    long m_action = actCancel;
    bool m_canceled = true;
};
