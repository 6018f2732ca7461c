#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QLabel;
class QPushButton;

// Shown alone at start-up when the user's regional settings are unfit: lists what is wrong and
// offers to write the Greek settings. Both buttons and the close box end the program.
class frmWrongRegionalSettings : public QDialog {
    Q_OBJECT

public:
    explicit frmWrongRegionalSettings(QWidget* parent = nullptr);

    // Writes one value into the user's "Control Panel\International" values (an empty one as a
    // blank); true when written.
    static bool SetRegStrValueControlPanel(const QString& Name, const QString& Value);

    // Controls, named as the form names them.
    QLabel* Image1 = nullptr;
    QLabel* lbOSInfo = nullptr;
    std::array<QLabel*, 1> lbNotes{};
    std::array<QLabel*, 4> lbNumbers{};
    std::array<QLabel*, 2> lbDate{};
    std::array<QLabel*, 2> lbHours{};
    std::array<QLabel*, 1> lbApplication{};
    QPushButton* cmdUpdateReg = nullptr;
    QPushButton* cmdExit = nullptr;

public slots:
    void reject() override;  // Esc: as "Κλείσιμο"

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();  // frmWrongRegionalSettings_ui.cpp
    void Form_Load();
    void cmdUpdateReg_Click();
    void cmdExit_Click();
    void EndProgram();
    static QString GetWindowsVersionName();

    bool m_ending = false;
};
