#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// First-run dialog: the database server's name and the organisation's name for report headings.
// The caller shows it modally, reads Canceled, ServerName and Logo, and deletes it.
class frmInitParam : public QDialog {
    Q_OBJECT

public:
    explicit frmInitParam(QWidget* parent = nullptr);
    ~frmInitParam() override;

    QString ServerName() const;
    QString Logo() const;
    bool Canceled() const { return m_canceled; }

    // Controls, named as the form names them.
    QFrame* Frame1 = nullptr;
    std::array<QLabel*, 2> lblPassword{};
    std::array<QLineEdit*, 2> txt{};
    std::array<QPushButton*, 2> cmdAction{};

public slots:
    void reject() override;  // Esc and the close box: as the cancel button

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();  // frmInitParam_ui.cpp
    void Form_Load();
    void Form_Unload();
    void cmdAction_Click(int index);

    bool m_canceled = false;
    bool m_unloaded = false;
};
