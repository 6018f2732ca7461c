#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// Folder picker. A "drive" is a mounted file system's root; "C:", the system's default drive,
// stands for "/". The caller calls Init, shows it modally, reads Canceled and folderName, deletes it.
// The drive and folder shown are remembered per user when the window unloads.
class frm_SelectFolder : public QDialog {
    Q_OBJECT

public:
    explicit frm_SelectFolder(QWidget* parent = nullptr);
    ~frm_SelectFolder() override;

    // Shows the remembered drive and folder, or the default drive's root folders.
    void Init();
    bool Canceled() const { return m_canceled; }
    // The chosen folder with a closing separator; "" when none was chosen.
    QString folderName() const;

    // Drive1's drive (a mount point) and Dir1's Path (the chosen folder, "" for none). The setters
    // return false and change nothing when the drive or folder does not exist.
    QString Drive1_Drive() const;
    bool SetDrive1_Drive(const QString& drive);
    QString Dir1_Path() const { return m_path; }
    bool SetDir1_Path(const QString& path);
    // The folder Dir1 lists: its Path, or while that is "" the drive's root.
    QString Dir1_Shown() const { return m_shown; }
    // Lists Dir1 again from the disk.
    void Dir1_Refresh();

    // The mount points that can be chosen, "/" first.
    static QStringList Drives();
    // The mount point a drive value names ("C:" is "/"); "" when it is not a mounted root.
    static QString DriveRoot(const QString& drive);

    // Controls, named as the form names them.
    QComboBox* Drive1 = nullptr;
    QListWidget* Dir1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtFolder = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLineEdit* txtNewFolder = nullptr;
    QPushButton* cmdNewFolder = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdExit = nullptr;

public slots:
    void reject() override;  // Esc and the close box: as cmdExit

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();  // frm_SelectFolder_ui.cpp
    void Form_Load();
    void Form_Unload();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_Open(QListWidgetItem* item);
    void cmdNewFolder_Click();
    void cmdOK_Click();
    void cmdExit_Click();
    void listFolder(const QString& folder);
    void showDriveOf(const QString& folder);

    QString m_section;
    QString m_path;   // Dir1's Path
    QString m_shown;  // the folder Dir1 lists
    bool m_canceled = false;
    bool m_unloaded = false;
};
