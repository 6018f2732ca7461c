#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: the program's version and its legal notice. Shown modally, then deleted.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // The legal notice of the program's version information.
    static QString LegalNotice();

    // Controls, named as the form names them.
    QLabel* Image2 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lbCopyright = nullptr;
    QPushButton* cmdOK = nullptr;

private:
    void buildControls();  // frmAbout_ui.cpp
    void Form_Load();
    void Form_Unload();
};
