#pragma once

#include <QDialog>
#include <QString>
#include <array>

class NumBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// Options dialog: the per-user list limit, the register's documents folder and the days before a
// password expires from which the log-in warns. The caller shows it modally and deletes it.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // The ranges of the two number boxes.
    static constexpr int kMinGridRecs = 50;
    static constexpr int kMaxGridRecs = 20000;
    static constexpr int kMinPswDays = 0;
    static constexpr int kMaxPswDays = 100;

    // Controls, named as the form names them.
    QTabWidget* SSTab1 = nullptr;
    std::array<QGroupBox*, 3> fra1{};
    std::array<QLineEdit*, 1> txtFolder{};
    std::array<QPushButton*, 1> cmdSelectFolder{};
    std::array<QLabel*, 3> lbl{};
    NumBox* numGridMaxRecs = nullptr;
    NumBox* numPswDays = nullptr;
    std::array<QPushButton*, 2> cmdAction{};

public slots:
    void reject() override;  // Esc and the close box: as the cancel button

private:
    void buildControls();  // frmOptions_ui.cpp
    void Form_Load();
    void cmdSelectFolder_Click(int index);
    void cmdAction_Click(int index);
    bool saveParam(const QString& code, const QString& value);

    QString m_folder;
    long m_pswDays = 0;  // as read at load
};
