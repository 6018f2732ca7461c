#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "ControlArray.h"
#include "DBFormWindow.h"
#include "DateBox.h"
#include "NumBox.h"

// The users window: the record form of USERS, run by the framework from the users' form script,
// with the user group, the rights list (bits of U_AUTH) and the password in its stored form.
class frmUsers : public DBFormWindow {
    Q_OBJECT
public:
    explicit frmUsers(QWidget* parent = nullptr);
    ~frmUsers() override;

    // Fills the group list and starts the framework; false when the framework refused (the window
    // is then not to be shown).
    bool Init();
    QVariant SelectedRecs(const QString& column) const;

    // The rights list, in order: caption and bit.
    struct Right {
        QString caption;
        long bit;
    };
    static const QList<Right>& RightsTable();
    // What the password box shows while masked.
    static QString MaskText() { return QString(30, QLatin1Char('*')); }
    // A new user whose commit's answer was lost, found stored after reconnecting.
    static QString RecoveredMessage();
    bool PasswordMasked() const { return m_masked; }

    // Record page.
    ControlArray<QLineEdit> txtEdit{QStringLiteral("txtEdit")};
    ControlArray<DateBox> dtEdit{QStringLiteral("dtEdit")};
    ControlArray<NumBox> numEdit{QStringLiteral("numEdit")};
    ControlArray<QComboBox> cmbEdit{QStringLiteral("cmbEdit")};
    ControlArray<QListWidget> lstEdit{QStringLiteral("lstEdit")};
    ControlArray<QLabel> lblEdit{QStringLiteral("lblEdit")};
    ControlArray<QPushButton> cmd{QStringLiteral("cmd")};
    ControlArray<QLabel> lbl{QStringLiteral("lbl")};
    // Search page.
    ControlArray<QLineEdit> txtSearch{QStringLiteral("txtSearch")};
    ControlArray<QLabel> lblSearch{QStringLiteral("lblSearch")};

    void cmd_Click(int Index);

    // The framework's events.
    void mclsDBForm_PostInitRec(long Action) override;
    void mclsDBForm_PostShowRec(const QVariant& recID, bool& OK) override;
    void mclsDBForm_ClearRec() override;
    void mclsDBForm_ValuesOK(bool& OK) override;
    void mclsDBForm_PreSaveRec(long Action, QString& sFields, QString& sValues) override;
    void mclsDBForm_PostCommit(const QVariant& key, long Action) override;
    void mclsDBForm_DelRec(const QVariant& recID, bool& OK, bool& bAbortDeletion) override;
    void mclsDBForm_PrintReport(QString& sWhereCond, QString& mExtraCond, QStringList& arFields) override;

protected:
    void Form_Load();
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int& Shift) override;

private:
    void buildControls();  // frmUsers_ui.cpp
    void FillRights();
    void ShowRights(long Auth);
    void ShowPassword(bool Masked, bool ClearStored);
    long CheckedRights() const;

    bool m_masked = true;
    bool m_ready = false;
};
