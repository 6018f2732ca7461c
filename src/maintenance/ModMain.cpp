#include "ModMain.h"

#include <QCoreApplication>
#include <memory>

#include "App.h"
#include "Err.h"
#include "KessboPlaces.h"
#include "Leftovers.h"
#include "MsgBox.h"
#include "SingleInstance.h"
#include "frmActions.h"

namespace ModMain {
namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Held for the whole run so that a later copy sees this one.
std::unique_ptr<SingleInstance>& instanceLock() {
    static std::unique_ptr<SingleInstance> lock;
    return lock;
}
}  // namespace

bool ShowErr(const QString& label) {
    ErrObject& e = Err();
    if (e.Number == 0) return false;
    const QString msg = QStringLiteral("### ") + label + QStringLiteral(" ###") + kCrLf +
                        QStringLiteral("Προέλευση : ") + e.Source + kCrLf + QStringLiteral("Κωδικός   : ") +
                        QString::number(e.Number) + kCrLf + QStringLiteral("Περιγραφή : ") + e.Description;
    MsgBox(msg, vb::vbCritical, App::Title());
    e.Clear();
    return true;
}

bool Main() {
    auto lock = std::make_unique<SingleInstance>(QStringLiteral("Kessbo"));
    if (lock->PrevInstance()) {
        MsgBox(QStringLiteral("Η εφαρμογή \"τρέχει\" ήδη!"), vb::vbExclamation, App::Title());
        return false;
    }
    instanceLock() = std::move(lock);
    // No other copy of this user runs now: what a killed run left can go.
    Leftovers::Remove(
        {KessboPlaces::BackupFolder(), KessboPlaces::ProgramFolder(), KessboPlaces::FloppyFolder()});
    auto* form = new frmActions;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->Init();
    form->show();
    return true;
}
}  // namespace ModMain
