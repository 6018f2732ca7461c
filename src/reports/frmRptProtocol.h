#pragma once

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The register's print-type dialog: which report to print. Shown modally; the caller reads
// Rpt_Selection and deletes it.
class frmRptProtocol : public QDialog {
    Q_OBJECT

public:
    explicit frmRptProtocol(QWidget* parent = nullptr);

    bool Canceled() const { return m_canceled; }
    // 0 when cancelled; else 1 plus the index of the first chosen option (0 when none is).
    long Rpt_Selection() const;

    // Controls, named as the form names them.
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 4> optRpt{};
    std::array<QLabel*, 4> lbl{};
    std::array<QPushButton*, 2> cmdAction{};

public slots:
    void reject() override;  // Esc and the close box count as "Έξοδος"

private:
    void buildControls();  // frmRptProtocol_ui.cpp
    void Form_Load();
    void cmdAction_Click(int Index);

    bool m_canceled = true;
};
