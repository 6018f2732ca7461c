#include "frmWrongRegionalSettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>

#include "App.h"
#include "Euros.h"
#include "MsgBox.h"
#include "RegionalSettings.h"
#include "SettingsStore.h"
#include "Utility.h"

namespace {
void markError(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    label->setText(QStringLiteral("ERROR [") + label->text() + QStringLiteral("]"));
}
}  // namespace

frmWrongRegionalSettings::frmWrongRegionalSettings(QWidget* parent) : QDialog(parent) {
    buildControls();
    // The only window of the run: it goes with the program.
    setAttribute(Qt::WA_DeleteOnClose);
    connect(cmdUpdateReg, &QPushButton::clicked, this, &frmWrongRegionalSettings::cmdUpdateReg_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmWrongRegionalSettings::cmdExit_Click);
    Form_Load();
}

QString frmWrongRegionalSettings::GetWindowsVersionName() {
    return QSysInfo::prettyProductName();
}

void frmWrongRegionalSettings::Form_Load() {
    lbOSInfo->setText(lbOSInfo->text() + QLatin1Char(' ') + GetWindowsVersionName());

    const QColor red = lbApplication[0]->palette().color(QPalette::WindowText);
    if (Euros::NumbersWrong())
        for (QLabel* l : lbNumbers) markError(l, red);
    if (Euros::DateWrong())
        for (QLabel* l : lbDate) markError(l, red);
    if (Euros::TimeWrong())
        for (QLabel* l : lbHours) markError(l, red);

    setWindowTitle(windowTitle() + QLatin1Char(' ') + QStringLiteral("- ") + App::ProductName());
    lbApplication[0]->setText(App::ProductName());
}

bool frmWrongRegionalSettings::SetRegStrValueControlPanel(const QString& Name, const QString& Value) {
    if (!Utility::CreateUserKey(RegionalSettings::Section())) return false;
    return RegionalSettings::Write(Name, Value.isEmpty() ? QStringLiteral(" ") : Value);
}

void frmWrongRegionalSettings::cmdUpdateReg_Click() {
    // Every value is written: the program runs on any system, not only on the Windows versions
    // the values were first chosen for.
    bool written = true;
    for (const RegionalSettings::NamedValue& v : RegionalSettings::GreekValues())
        written = SetRegStrValueControlPanel(v.name, v.text) && written;
    if (!written) {
        // Success here would send the user round the same window at the next start.
        MsgBox(QStringLiteral("Η διόρθωση των τοπικών ρυθμίσεων απέτυχε: δεν ήταν δυνατή η εγγραφή στο "
                              "αρχείο ρυθμίσεων ") +
                   SettingsStore::UserFile(),
               vb::vbOKOnly + vb::vbCritical, App::Title());
        return;
    }
    MsgBox(QStringLiteral("Η διόρθωση των τοπικών ρυθμίσεων ολοκληρώθηκε επιτυχώς"), vb::vbOKOnly,
           App::Title());
    EndProgram();
}

void frmWrongRegionalSettings::cmdExit_Click() {
    EndProgram();
}

void frmWrongRegionalSettings::reject() {
    // The designed window answers Esc with the repair; leaving is what Esc promises.
    cmdExit_Click();
}

void frmWrongRegionalSettings::closeEvent(QCloseEvent* event) {
    if (!m_ending) {
        m_ending = true;
        QCoreApplication::quit();
    }
    event->accept();
}

void frmWrongRegionalSettings::EndProgram() {
    if (m_ending) return;
    m_ending = true;
    QCoreApplication::quit();
    close();
}
