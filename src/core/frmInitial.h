#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

#include "Connection.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The log-in window: opens the session's connection, checks name and password against USERS,
// enforces rights and password ageing, and writes the session row. Used by cls_Login only:
// create, Init, show modally when Init succeeded, read the properties, delete.
class frmInitial : public QDialog {
    Q_OBJECT

public:
    explicit frmInitial(QWidget* parent = nullptr);
    ~frmInitial() override;

    // Reads the settings, opens the connection, prepares the window; true when the connection is open.
    bool Init();

    bool LoginOK() const { return m_loginOK; }
    long UserId() const { return m_userId; }
    QString LoginName() const;  // the name box's text as typed
    // What a failed attempt says for an unknown name and for a wrong password alike.
    static QString WrongNameOrPasswordText();
    long Auth() const { return m_auth; }
    long UserGroupID() const { return m_userGroupID; }
    long UserGroupFlag() const;  // looked up again on every read
    ConnectionPtr Conn() const { return m_conn; }

    // Controls, named as the form names them.
    QLabel* Label1 = nullptr;
    QFrame* fraLogin = nullptr;
    std::array<QLabel*, 2> lbl{};
    QLineEdit* txtLoginName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblVersion = nullptr;

public slots:
    void reject() override;  // Esc, the cancel button and the close box

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void buildControls();  // frmInitial_ui.cpp
    void Form_Activate();
    void Form_Unload();
    void txtLoginName_Change();
    void cmdCancel_Click();
    void cmdOK_Click();

    // The steps of one attempt: Ok goes on (or logs in), Failed is reported, Refused has said why.
    enum class Outcome { Ok, Failed, Refused };
    Outcome attempt();
    Outcome checkAgeing(const QDate& expDate, const QString& password);
    bool openSession();
    QString ChangePassword(const QString& oldPsw);

    ConnectionPtr m_conn;
    QString m_loginName;  // trimmed name of the last attempt
    bool m_loginOK = false;
    std::uint8_t m_loginTries = 0;
    long m_userId = 0;
    long m_auth = 0;
    long m_userGroupID = 0;
    std::int16_t m_expDays = 0;
    QString m_lang;  // written to the setting Lang at unload; nothing assigns it
    bool m_unloaded = false;
};
