#include "ReportOptions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ReportEngine.h"
#include "SettingsStore.h"

namespace {
const QString kMode = QStringLiteral("RptMode");
const QString kScope = QStringLiteral("RptScope");
const QString kOrder = QStringLiteral("RptOrder");
}  // namespace

ReportOptions::ReportOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReportOptions"));
    fraMode = new QGroupBox(QStringLiteral("Είδος εκτύπωσης"), this);
    optPreview = new QRadioButton(QStringLiteral("Προεπισκόπηση"), fraMode);
    optPrint = new QRadioButton(QStringLiteral("Εκτύπωση στον εκτυπωτή"), fraMode);
    optExport = new QRadioButton(QStringLiteral("Εξαγωγή σε αρχείο (PDF)"), fraMode);
    auto* m = new QVBoxLayout(fraMode);
    m->addWidget(optPreview);
    m->addWidget(optPrint);
    m->addWidget(optExport);

    fraScope = new QGroupBox(QStringLiteral("Εγγραφές"), this);
    optAll = new QRadioButton(QStringLiteral("Όλες οι εγγραφές"), fraScope);
    optSelection = new QRadioButton(QStringLiteral("Οι επιλεγμένες εγγραφές"), fraScope);
    auto* s = new QVBoxLayout(fraScope);
    s->addWidget(optAll);
    s->addWidget(optSelection);

    cmbOrder = new QComboBox(this);
    cmbOrder->setObjectName(QStringLiteral("cmbOrder"));
    cmbOrder->setAccessibleName(QStringLiteral("Ταξινόμηση"));
    auto* order = new QFormLayout;
    order->addRow(QStringLiteral("Ταξινόμηση"), cmbOrder);

    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("Εντάξει"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("Ακύρωση"), QDialogButtonBox::RejectRole);
    cmdOK->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        m_accepted = true;
        save();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Wide enough for the report's title in the caption.
    setMinimumWidth(380);
    auto* v = new QVBoxLayout(this);
    v->addWidget(fraMode);
    v->addWidget(fraScope);
    v->addLayout(order);
    v->addWidget(buttons);
}

bool ReportOptions::Show(const QString& section, bool hasSelection, QStringList& options, const QString& title,
                         bool canExport, ReportEngine* engine, bool, bool scopeChoice) {
    m_section = section;
    m_accepted = false;
    setWindowTitle(title.isEmpty() ? QStringLiteral("Επιλογές εκτύπωσης")
                                   : QStringLiteral("Επιλογές εκτύπωσης - %1").arg(title));
    if (engine) engine->SetCanExport(canExport);
    optExport->setVisible(canExport);
    fraScope->setVisible(scopeChoice);
    optSelection->setEnabled(hasSelection);

    m_fields.clear();
    cmbOrder->clear();
    cmbOrder->addItem(QStringLiteral("(χωρίς ταξινόμηση)"));
    m_fields << QString();
    for (const QString& o : options) {
        const qsizetype tilde = o.indexOf(u'~');
        const QString field = (tilde < 0 ? o : o.left(tilde)).trimmed();
        if (field.isEmpty()) continue;
        cmbOrder->addItem(tilde < 0 ? field : o.mid(tilde + 1));
        m_fields << field;
    }
    load();
    exec();
    return m_accepted;
}

void ReportOptions::load() {
    const long mode = SettingsStore::GetValue(m_section, kMode, QStringLiteral("2"), true).toLong();
    (mode == ReportEngine::rmPrint                        ? optPrint
     : mode == ReportEngine::rmExport && optExport->isVisibleTo(this) ? optExport
                                                                       : optPreview)
        ->setChecked(true);
    const QString scope = SettingsStore::GetValue(m_section, kScope, QString(), true);
    const bool selection = optSelection->isEnabled() && scope != QLatin1String("1");
    (selection ? optSelection : optAll)->setChecked(true);
    const QString field = SettingsStore::GetValue(m_section, kOrder, QString(), true);
    int index = 0;
    for (int i = 1; i < m_fields.size(); ++i)
        if (m_fields[i].compare(field, Qt::CaseInsensitive) == 0) index = i;
    cmbOrder->setCurrentIndex(index);
}

void ReportOptions::save() const {
    long mode, scope;
    QString order;
    Result(mode, scope, order);
    // One write of the settings file for the three, when any changed: the first page waits for it.
    QList<std::pair<QString, QString>> values{{kMode, QString::number(mode)}};
    if (fraScope->isVisibleTo(this)) values.append({kScope, QString::number(scope)});
    values.append({kOrder, order});
    SettingsStore::SaveValues(m_section, values, true);
}

void ReportOptions::Result(long& mode, long& scope, QString& orderBy) const {
    mode = optPrint->isChecked()                                     ? ReportEngine::rmPrint
           : optExport->isChecked() && optExport->isVisibleTo(this) ? ReportEngine::rmExport
                                                                     : ReportEngine::rmPreview;
    scope = optSelection->isChecked() && optSelection->isEnabled() && fraScope->isVisibleTo(this) ? 2 : 1;
    const int i = cmbOrder->currentIndex();
    orderBy = i > 0 && i < m_fields.size() ? m_fields[i] : QString();
}
