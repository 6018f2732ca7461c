#pragma once

#include <QDateTime>
#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class BackupProgress;

// Kessbo's only window: the name of Protocol's settings section, where the archive goes, and the
// backup of the register's database into a zip archive.
class frmActions : public QWidget {
    Q_OBJECT

public:
    explicit frmActions(QWidget* parent = nullptr);
    ~frmActions() override;

    void Init();

    QString gApp_RegMain;
    QString gMachine;

    // Controls, named as the form names them.
    QTabWidget* SSTab1 = nullptr;
    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QLabel* Label2 = nullptr;
    std::array<QLineEdit*, 1> txtReg{};
    QLabel* lblHint = nullptr;  // what to type, and where the settings were looked for
    std::array<QLabel*, 2> lblPath{};
    std::array<QRadioButton*, 2> optZip{};
    std::array<QLabel*, 2> lblBackup{};
    QPushButton* cmdBackup = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The archive's name: database, "-", the local time as yyyy-mm-dd_hhnnss, ".zip".
    static QString ArchiveName(const QString& database, const QDateTime& localTime);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();  // frmActions_ui.cpp
    void Form_Unload();
    void txtReg_Change(int index);
    void cmdCancel_Click();
    void cmdBackup_Click();
    // The flow's failure box for steps 3 to 7.
    void backupRefused(const QString& reason);
    void showHint();
    void showKind();  // the first tab's sentence on the kind of database

    BackupProgress* m_progress = nullptr;
    bool m_running = false;
    bool m_unloaded = false;
};
