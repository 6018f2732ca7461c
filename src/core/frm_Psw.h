#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The new-password dialog. The caller sets OldPsw, shows it modally, reads newPsw and deletes it.
class frm_Psw : public QDialog {
    Q_OBJECT

public:
    explicit frm_Psw(QWidget* parent = nullptr);

    // The current password, which the new one must differ from (exact comparison).
    void setOldPsw(const QString& oldPsw) { m_oldPsw = oldPsw; }
    // The accepted new password in upper case; "" when cancelled.
    QString newPsw() const { return m_newPsw; }

    // Controls, named as the form names them.
    QFrame* Frame1 = nullptr;
    std::array<QLabel*, 2> lblPassword{};
    std::array<QLineEdit*, 2> txtPsw{};
    std::array<QPushButton*, 2> cmdAction{};

public slots:
    void reject() override;  // Esc and the close box count as "Ακύρωση"

private:
    void buildControls();  // frm_Psw_ui.cpp
    void cmdAction_Click(int index);
    void refuse(const QString& message, int box);

    QString m_oldPsw;
    QString m_newPsw;
};
