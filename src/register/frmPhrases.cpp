#include "frmPhrases.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

#include "Err.h"
#include "FormLayout.h"
#include "GridModel.h"
#include "Recordset.h"
#include "Screen.h"
#include "StrHelper.h"
#include "frmMDI.h"
#include "modDeclare.h"
#include "mod_Grid.h"

using modDeclare::gConn;
using modDeclare::gErr;

namespace {
const QString kSection = QStringLiteral("\\Protocol");

// The table name is pasted into the statement, so only a plain name is accepted.
bool isPlainName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

// Reports the pending error; without the session's reporter (tools, benchmarks) through a plain one.
void report(const QString& source, const QObject* caller) {
    if (gErr) {
        gErr->ErrorMsg(source, true, caller);
        return;
    }
    cls_Error fallback;
    fallback.ErrorMsg(source, true, caller);
}
}  // namespace

frmPhrases::frmPhrases(QWidget* parent) : QDialog(parent) {
    buildControls();
    m_rows = new GridModel(this);
    FormScript::GridColumn descr;
    descr.field = QStringLiteral("Descr");
    descr.caption = QStringLiteral("Περιγραφή");
    m_rows->setColumns({descr});
    tdbg->setModel(m_rows);

    connect(txt[0], &QLineEdit::textChanged, this, [this] { txt_Change(0); });
    connect(tdbg->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { tdbg_RowColChange(); });
    connect(tdbg->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { tdbg_HeadClick(column); });
    connect(tdbg, &QTableView::doubleClicked, this, [this] { cmdSelect_Click(); });
    connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    Form_Load();
}

frmPhrases::~frmPhrases() {
    Form_Unload();
}

bool frmPhrases::Init(const QString& table, const QString& caption) {
    m_table = table.toUpper();
    m_descrField = QStringLiteral("DESCR");
    m_sortField = m_descrField;
    m_ascending = true;
    setWindowTitle(caption);
    Fill();
    return true;
}

QString frmPhrases::FillSql(const QString& table, const QString& filterText, const QString& sortField,
                            bool ascending, const SqlDialect& dialect) {
    const QString filter = filterText.trimmed();
    // The dialect escapes with '!': a typed one must stay itself, while % and _ stay wildcards.
    QString typed = filter;
    typed.replace(QLatin1Char('!'), QStringLiteral("!!"));
    const QString pattern = StrHelper::SqlValue(QString(typed + QLatin1Char('%')));
    QString sql = QStringLiteral("SELECT DESCR as Descr, ID AS Id FROM ") + table;
    // A filter of nothing but "%" lets every description through (DESCR is never Null): without
    // the condition the server does not fold every row to learn that.
    if (!QString(filter).remove(QLatin1Char('%')).isEmpty())
        sql += QStringLiteral(" WHERE ") + dialect.like(QStringLiteral("DESCR"), pattern);
    if (!sortField.isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + sortField;
        if (!ascending) sql += QStringLiteral(" DESC");
    }
    return sql;
}

void frmPhrases::Fill() {
    Screen::SetMousePointer(Screen::vbHourglass);
    Recordset rs;
    bool ok = false;
    if (!gConn || !gConn->IsOpen()) {
        Err().Raise(ErrNo::ObjectNotSet, QStringLiteral("frmPhrases"),
                    QStringLiteral("No database connection."));
    } else if (!isPlainName(m_table)) {
        Err().Raise(ErrNo::InvalidUse, QStringLiteral("frmPhrases"),
                    QStringLiteral("Invalid table name: ") + m_table);
    } else {
        ok = rs.Open(FillSql(m_table, txt[0]->text(), m_sortField, m_ascending, gConn->dialect()), gConn);
    }

    if (!ok) {
        // An old list under a new filter would mislead; the phrase chosen so far stays.
        m_rows->setRecordset(Recordset());
        Screen::SetMousePointer(Screen::vbDefault);
        report(QStringLiteral("Fill"), this);
        return;
    }
    m_rows->setRecordset(rs);
    const int sortColumn = m_sortField.compare(fieldOfColumn(0), Qt::CaseInsensitive) == 0 ? 0 : -1;
    tdbg->horizontalHeader()->setSortIndicator(sortColumn,
                                               m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // As the grid does when bound afresh: it stands on the first row, so Enter chooses it.
    if (m_rows->rowCount() > 0) tdbg->setCurrentIndex(m_rows->index(0, 0));
    Screen::SetMousePointer(Screen::vbDefault);
}

void frmPhrases::Form_Load() {
    setWindowIcon(frmMDI::AppIcon());
    bool restoreFlag1 = false, restoreFlag2 = true;
    FormLayout::Shared().Restore(this, 0, 0, 8220, 5565, kSection, restoreFlag1, restoreFlag2);
    mod_Grid::SetGridHighlight(tdbg);
}

void frmPhrases::Form_Unload() {
    // The close box unloads the form before its caller deletes it; save the place once.
    if (m_unloaded) return;
    bool saveFlag = false;
    FormLayout::Shared().Save(this, kSection, saveFlag);
    m_unloaded = true;
}

void frmPhrases::Form_Resize() {
    if (isMinimized()) return;
    const int innerWidth = Twips::fromPixels(width()), innerHeight = Twips::fromPixels(height());
    if (innerWidth < 4000 || innerHeight < 3000) return;
    const int w = innerWidth - 100, h = innerHeight;
    auto tw = [](int px) { return Twips::fromPixels(px); };
    auto px = [](int twips) { return Twips::toPixels(twips); };

    fra->resize(px(w), fra->height());
    QLineEdit* filter = txt[0];
    const int filterWidth = tw(fra->width()) - tw(filter->x()) - 90;
    filter->resize(px(filterWidth), filter->height());
    lbl[0]->resize(px(filterWidth), lbl[0]->height());
    tdbg->resize(px(w), px(h - 1800));

    const int top = h - tw(cmdExit->height()) - 80;
    cmdExit->move(px(w - tw(cmdExit->width()) + 40), px(top));
    cmdSelect->move(px(w - tw(cmdExit->width()) - tw(cmdSelect->width())), px(top));
}

void frmPhrases::txt_Change(int index) {
    if (index == 0) Fill();
}

void frmPhrases::tdbg_RowColChange() {
    const QModelIndex current = tdbg->currentIndex();
    if (!current.isValid()) return;
    const QVariant v = m_rows->data(m_rows->index(current.row(), 0), Qt::UserRole);
    m_phrase = v.isNull() ? QString() : v.toString();
}

void frmPhrases::tdbg_HeadClick(int column) {
    m_sortField = fieldOfColumn(column);
    m_ascending = column == m_lastHeader ? !m_ascending : true;
    m_lastHeader = column;
    Fill();
}

QString frmPhrases::fieldOfColumn(int column) const {
    return column == 0 ? m_descrField : QString();
}

void frmPhrases::cmdSelect_Click() {
    accept();
}

void frmPhrases::cmdExit_Click() {
    m_canceled = true;
    QDialog::reject();
}

void frmPhrases::reject() {
    cmdExit_Click();
}

void frmPhrases::closeEvent(QCloseEvent* event) {
    if (isVisible()) m_canceled = true;
    QDialog::closeEvent(event);
    Form_Unload();
}

void frmPhrases::showEvent(QShowEvent* event) {
    m_unloaded = false;
    QDialog::showEvent(event);
}

void frmPhrases::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}
