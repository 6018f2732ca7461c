#include "frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "App.h"
#include "FormLayout.h"
#include "frmMDI.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
}

QString frmAbout::LegalNotice() {
    return QStringLiteral(
        "Πρόγραμμα τήρησης πρωτοκόλλου εγγράφων. Χρησιμοποιείται σύμφωνα με τους όρους της άδειας "
        "που συνοδεύει την εγκατάσταση και παρέχεται «ως έχει», χωρίς καμία εγγύηση.");
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    buildControls();
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    Form_Load();
}

frmAbout::~frmAbout() {
    Form_Unload();
}

void frmAbout::Form_Load() {
    const QIcon icon = frmMDI::exists() ? frmMDI::instance()->windowIcon() : QApplication::windowIcon();
    setWindowIcon(icon);
    Image2->setPixmap(icon.pixmap(48, 48));
    setWindowTitle(QStringLiteral("Πληροφορίες για την εφαρμογή"));
    lbCopyright->setText(LegalNotice());
    lblVersion->setText(QStringLiteral("Έκδοση ") + QString::number(App::Major()) + QLatin1Char('.') +
                        QString::number(App::Minor()) + QLatin1Char('.') + QString::number(App::Revision()));
    adjustSize();
    bool flag1 = false, flag2 = false;
    // First time: the designed size, centred over the main window (or the screen).
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area = over ? over->frameGeometry() : QRect();
    if (area.isEmpty() && screen()) area = screen()->availableGeometry();
    const QPoint topLeft = area.center() - rect().center();
    FormLayout::Shared().Restore(this, Twips::fromPixels(qMax(0, topLeft.x())),
                                 Twips::fromPixels(qMax(0, topLeft.y())), 0, 0, kSection, flag1, flag2);
}

void frmAbout::Form_Unload() {
    bool flag = false;
    FormLayout::Shared().Save(this, kSection, flag);
}
