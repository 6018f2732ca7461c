#include "clsDBForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>

#include "Adodc.h"
#include "BoundControl.h"
#include "CondBuilder.h"
#include "DBFormWindow.h"
#include "GridModel.h"
#include "ImageList.h"
#include "ListRecordset.h"
#include "MsgBox.h"
#include "Recordset.h"
#include "Screen.h"
#include "SettingsStore.h"
#include "modDeclare.h"

namespace {

// The action a toolbar key needs in the permission mask; 0 for the keys every form has.
long actionOfKey(const QString& key) {
    if (key == QLatin1String("add")) return clsDBForm::actNew;
    if (key == QLatin1String("copy")) return clsDBForm::actCopy;
    if (key == QLatin1String("edit")) return clsDBForm::actUpdate;
    if (key == QLatin1String("del")) return clsDBForm::actDelete;
    if (key == QLatin1String("clear")) return clsDBForm::actSearchReset;
    if (key == QLatin1String("save") || key == QLatin1String("cancel"))
        return clsDBForm::actUpdate | clsDBForm::actNew | clsDBForm::actCopy;
    return 0;
}

}  // namespace

clsDBForm::clsDBForm(QObject* parent) : QObject(parent) {}

clsDBForm::~clsDBForm() {
    Terminate();
}

const QList<QPair<QString, QString>>& clsDBForm::ToolbarKeys() {
    static const QList<QPair<QString, QString>> keys{
        {QStringLiteral("print"), QStringLiteral("Εκτύπωση")},
        {QStringLiteral("prev"), QStringLiteral("Προηγ.")},
        {QStringLiteral("next"), QStringLiteral("Επόμ.")},
        {QStringLiteral("refresh"), QStringLiteral("Αναν.")},
        {QStringLiteral("sAsc"), QStringLiteral("Αυξ.")},
        {QStringLiteral("sDesc"), QStringLiteral("Φθιν.")},
        {QStringLiteral("add"), QStringLiteral("Προσθ.")},
        {QStringLiteral("copy"), QStringLiteral("Αντίγρ.")},
        {QStringLiteral("edit"), QStringLiteral("Διόρθ.")},
        {QStringLiteral("del"), QStringLiteral("Διαγρ.")},
        {QStringLiteral("search"), QStringLiteral("Αναζήτ.")},
        {QStringLiteral("list"), QStringLiteral("Κατάλ.")},
        {QStringLiteral("clear"), QStringLiteral("Μηδεν.")},
        {QStringLiteral("save"), QStringLiteral("Αποθήκ.")},
        {QStringLiteral("cancel"), QStringLiteral("Ακύρ.")},
    };
    return keys;
}

QKeySequence clsDBForm::ToolbarShortcut(const QString& key) {
    // None of them is a key the forms or the main window handle themselves: F2, F7 to F9,
    // Ctrl+F7, Ctrl+X, Ctrl+A, Ctrl+Alt+A, Alt+1 to Alt+3, Enter.
    static const QHash<QString, QKeySequence> keys{
        {QStringLiteral("print"), QKeySequence(Qt::CTRL | Qt::Key_P)},
        {QStringLiteral("prev"), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
        {QStringLiteral("next"), QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
        {QStringLiteral("refresh"), QKeySequence(Qt::Key_F5)},
        {QStringLiteral("sAsc"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
        {QStringLiteral("sDesc"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
        {QStringLiteral("add"), QKeySequence(Qt::CTRL | Qt::Key_N)},
        {QStringLiteral("copy"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {QStringLiteral("edit"), QKeySequence(Qt::CTRL | Qt::Key_E)},
        {QStringLiteral("del"), QKeySequence(Qt::CTRL | Qt::Key_Delete)},
        {QStringLiteral("search"), QKeySequence(Qt::CTRL | Qt::Key_F)},
        {QStringLiteral("list"), QKeySequence(Qt::CTRL | Qt::Key_L)},
        {QStringLiteral("clear"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
        {QStringLiteral("save"), QKeySequence(Qt::CTRL | Qt::Key_S)},
        {QStringLiteral("cancel"), QKeySequence(Qt::Key_Escape)},
    };
    return keys.value(key);
}

QStringList clsDBForm::TabCaptions() {
    return {QStringLiteral("Εγγραφή (Alt+1)"), QStringLiteral("Αναζήτηση (Alt+2)"),
            QStringLiteral("Κατάλογος (Alt+3)")};
}

QString clsDBForm::RequiredMessage(const QString& caption) {
    return QStringLiteral("Η εγγραφή δεν μπορεί να αποθηκευτεί: το πεδίο «%1» πρέπει να συμπληρωθεί.")
        .arg(caption);
}

QString clsDBForm::BadDateMessage(const QString& caption) {
    return QStringLiteral("Η ημερομηνία στο πεδίο «%1» δεν είναι σωστή. Πληκτρολογήστε την ως ηη/μμ/εεεε.")
        .arg(caption);
}

QString clsDBForm::DeleteQuestion() {
    return QStringLiteral("Σίγουρα να γίνει η διαγραφή;");
}

QString clsDBForm::DeletedMessage() {
    return QStringLiteral("Η εγγραφή δεν βρέθηκε: ίσως τη διέγραψε άλλος χρήστης.");
}

QString clsDBForm::ConflictQuestion() {
    return QStringLiteral(
        "Άλλος χρήστης άλλαξε την εγγραφή αφού εμφανίστηκε εδώ· οι αλλαγές σας δεν αποθηκεύτηκαν.\r\n"
        "Να εμφανιστεί η εγγραφή όπως είναι τώρα; (Όσα πληκτρολογήσατε θα χαθούν.)");
}

QString clsDBForm::DeleteConflictQuestion() {
    return QStringLiteral(
        "Άλλος χρήστης άλλαξε την εγγραφή αφού εμφανίστηκε εδώ· η διαγραφή δεν έγινε.\r\n"
        "Να εμφανιστεί η εγγραφή όπως είναι τώρα;");
}

QString clsDBForm::UnsavedQuestion() {
    return QStringLiteral("Οι αλλαγές της εγγραφής δεν έχουν αποθηκευτεί. Να χαθούν;");
}

QString clsDBForm::FieldOf(const QWidget* control) {
    return control ? control->property(FieldProperty).toString() : QString();
}

QAction* clsDBForm::ToolbarButton(const QString& key) const {
    if (!m_form) return nullptr;
    for (QAction* a : m_form->tlb1->actions())
        if (a->data().toString() == key) return a;
    return nullptr;
}

QString clsDBForm::ListOrder() const {
    return m_sortOrder.isEmpty() ? m_order : m_sortOrder;
}

bool clsDBForm::Init(const QString& formScript, DBFormWindow* form, ConnectionPtr& conn, const QString&,
                     const QString&, const QString& section, const ImageList* images, long permissions, long,
                     long, const QVariant&, const QString& firstCond, const QString& order, const QString&,
                     long imageSize, const QString& baseCond, QObject*, short, long) {
    m_started = false;
    if (!form || !conn || !conn->IsOpen()) {
        Err().Raise(
            ErrNo::ObjectNotSet, QStringLiteral("clsDBForm"),
            form ? QStringLiteral("The connection is not open.") : QStringLiteral("The form is not set."));
        reportError(QStringLiteral("Init"), false);
        return false;
    }
    m_form = form;
    m_conn = conn;
    m_section = section;
    m_permissions = permissions;
    m_firstCond = firstCond;
    m_order = order;
    m_baseCond = baseCond;

    QString error;
    if (FormScript::Parse(formScript, m_script, &error)) {
        if (m_script.form().table.isEmpty() || m_script.form().key.isEmpty())
            error = QStringLiteral("The form script names no table or key.");
        else
            bindControls(&error);
    }
    if (!error.isEmpty()) {
        Err().Raise(ErrNo::InvalidUse, QStringLiteral("clsDBForm"), error);
        reportError(QStringLiteral("Init"), false);
        m_bound.clear();
        m_form = nullptr;
        return false;
    }

    bool ok = false;
    m_maxRecs =
        SettingsStore::GetValue(section, QStringLiteral("grdMaxRecs"), QStringLiteral("50"), true).toInt(&ok);
    if (!ok || m_maxRecs <= 0) m_maxRecs = 50;

    if (!m_script.form().caption.isEmpty()) form->setWindowTitle(m_script.form().caption);
    const QStringList tabs = TabCaptions();
    for (int i = 0; i < tabs.size() && i < form->tabA->count(); ++i) form->tabA->setTabText(i, tabs.at(i));
    if (form->cmdAction[0]) form->cmdAction[0]->setText(QStringLiteral("Προβολή"));
    if (form->cmdAction[1]) form->cmdAction[1]->setText(QStringLiteral("Κλείσιμο"));

    m_model = new GridModel(form->tdbg);
    m_model->setScript(m_script);
    m_model->setFont(form->tdbg->font());
    m_model->setSource(std::make_shared<ListRecordset>());
    form->tdbg->setModel(m_model);
    connect(form->tdbg->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_busy || !m_form || Editing() || !current.isValid()) return;
                m_form->adodc->SetAbsolutePosition(current.row() + 1);
            });
    // The record page follows the new list: the shown entry where it now stands, else the row at
    // the same place.
    connect(m_model, &GridModel::listReplaced, this, [this] {
        if (m_busy || !m_form || Editing() || !m_list) return;
        const int row = m_list->rowOfKey(m_currentKey);
        m_form->adodc->SetAbsolutePosition(row >= 0 ? row + 1 : m_form->adodc->AbsolutePosition());
    });
    applyGridColumns();
    buildToolbar(images, imageSize);

    m_started = true;
    m_terminated = false;
    prepareRecordPage(actView);
    updateToolbar();
    clearSearch();
    setTab(ListPage);
    return true;
}

bool clsDBForm::bindControls(QString* error) {
    m_bound.clear();
    const QList<QLabel*> labels = m_form->findChildren<QLabel*>();
    for (const FormScript::Control& c : m_script.controls()) {
        QWidget* w = m_form->Control(c.arrayName, c.index);
        if (!w) {
            *error = QStringLiteral("line %1: the form has no control %2")
                         .arg(c.line)
                         .arg(ControlArrayBase::memberName(c.arrayName, c.index));
            return false;
        }
        Bound b;
        b.control = &c;
        b.widget = w;
        for (QLabel* l : labels)
            if (l->buddy() == w) b.label = l;
        if (c.bound()) w->setProperty(FieldProperty, c.field);
        if (!c.caption.isEmpty()) {
            if (b.label) b.label->setText(c.caption);
            w->setAccessibleName(c.caption);
        }
        if (c.len > 0) BoundControl::SetMaxLength(w, c.len);
        if (c.digitsOnly()) BoundControl::SetDigitsOnly(w);
        if (c.hidden()) w->hide();
        m_bound << b;
    }
    return true;
}

void clsDBForm::buildToolbar(const ImageList* images, long imageSize) {
    QToolBar* bar = m_form->tlb1;
    bar->clear();
    if (imageSize > 0) bar->setIconSize(QSize(int(imageSize), int(imageSize)));
    for (const auto& [key, caption] : ToolbarKeys()) {
        QAction* a = bar->addAction(images ? images->Icon(key) : QIcon(), caption);
        a->setData(key);
        a->setObjectName(key);
        const QKeySequence shortcut = ToolbarShortcut(key);
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setToolTip(caption + QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) +
                      QLatin1Char(')'));
        const long need = actionOfKey(key);
        a->setVisible(need == 0 || (m_permissions & need));
        // The toolbar's buttons take no focus by default. Made after the form's controls, they
        // come last in the Tab order, and so right before the page tabs, where Tab goes round.
        if (QWidget* b = bar->widgetForAction(a)) b->setFocusPolicy(Qt::TabFocus);
    }
    // Every offered key stays in sight: the window is not made narrower than its toolbar.
    bar->setMinimumWidth(bar->sizeHint().width());
}

void clsDBForm::updateToolbar() {
    if (!m_form) return;
    const bool edit = Editing();
    const bool record = !m_currentKey.isNull();
    // Asked without reading the rest of a list that is still coming in.
    const bool rows = m_form->adodc->HasRecords();
    const int pos = m_form->adodc->AbsolutePosition();
    const auto set = [this](const char* key, bool enabled) {
        if (QAction* a = ToolbarButton(QLatin1String(key))) a->setEnabled(enabled);
    };
    set("print", !edit);
    set("prev", !edit && pos > 1);
    set("next", !edit && pos > 0 && !m_form->adodc->Eof());
    set("refresh", !edit);
    set("sAsc", !edit && rows);
    set("sDesc", !edit && rows);
    set("add", !edit);
    set("copy", !edit && record);
    set("edit", !edit && record);
    set("del", !edit && record);
    set("search", !edit);
    set("list", !edit);
    set("clear", !edit);
    set("save", edit);
    set("cancel", edit);
    m_form->tabA->setTabEnabled(SearchPage, !edit);
    m_form->tabA->setTabEnabled(ListPage, !edit);
    if (m_form->cmdAction[0]) m_form->cmdAction[0]->setEnabled(!edit && record);
}

QString clsDBForm::captionOf(const Bound& b) const {
    if (!b.control->caption.isEmpty()) return b.control->caption;
    if (b.label) {
        QString text = b.label->text().remove(QLatin1Char('&')).trimmed();
        if (text.endsWith(QLatin1Char(':'))) text.chop(1);
        if (!text.isEmpty()) return text;
    }
    if (b.widget && !b.widget->accessibleName().isEmpty()) return b.widget->accessibleName();
    return b.control->bound() ? b.control->field
                              : ControlArrayBase::memberName(b.control->arrayName, b.control->index);
}

// ---- the list ----

bool clsDBForm::Refresh(const QString& cond) {
    if (!m_started || m_terminated) return false;
    if (Editing()) return false;
    const bool ok = openList(cond.isEmpty() ? m_firstCond : cond, QVariant());
    enterView();
    showRecord(m_form->adodc->CurrentKey());
    return ok;
}

bool clsDBForm::openList(const QString& cond, const QVariant& keepKey) {
    QString statement;
    if (cond.startsWith(QLatin1String("%%"))) {
        // A whole statement is the form's: the base condition is not added to it.
        statement = cond.mid(2);
    } else {
        QString where;
        CondBuilder::BuildWhere(cond, m_baseCond, where);
        statement = QStringLiteral("SELECT * FROM ") + m_script.form().table + where;
    }
    const int pointer = Screen::MousePointer();
    Screen::SetMousePointer(Screen::vbHourglass);
    auto list = std::make_shared<ListRecordset>();
    const bool ok = list->Open(m_conn, statement, m_script.form().key, ListOrder(), m_maxRecs);
    Screen::SetMousePointer(pointer);
    if (!ok) reportError(QStringLiteral("Refresh"), false);
    m_listCond = cond;
    m_listStatement = statement;
    m_list = list;

    const int row = keepKey.isNull() ? -1 : list->rowOfKey(keepKey);
    m_busy = true;
    m_model->setSource(list);
    applyGridColumns();
    m_form->adodc->setRecordset(list, row >= 0 ? row + 1 : 1);
    syncGrid();
    m_busy = false;
    updateToolbar();
    return ok;
}

void clsDBForm::applyGridColumns() {
    if (!m_form || !m_model) return;
    QTableView* grid = m_form->tdbg;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        grid->setColumnHidden(c, m_model->isColumnHidden(c));
        const int w = m_model->columnWidth(c);
        if (w > 0) grid->setColumnWidth(c, w);
    }
}

void clsDBForm::syncGrid() {
    if (!m_form || !m_model) return;
    QTableView* grid = m_form->tdbg;
    const int row = m_form->adodc->AbsolutePosition() - 1;
    const bool was = m_busy;
    m_busy = true;
    if (row < 0) {
        grid->selectionModel()->clear();
    } else {
        int column = grid->currentIndex().isValid() ? grid->currentIndex().column() : 0;
        while (column < m_model->columnCount() - 1 && grid->isColumnHidden(column)) ++column;
        const QModelIndex index = m_model->index(row, column);
        grid->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        grid->scrollTo(index);
    }
    m_busy = was;
}

void clsDBForm::DataMoveComplete(long, ErrObject*, long&, ListRecordset*) {
    if (!m_started || m_terminated || m_busy || Editing()) return;
    syncGrid();
    showRecord(m_form->adodc->CurrentKey());
}

void clsDBForm::showRecord(QVariant key) {
    if (!m_form) return;
    m_currentKey = QVariant();
    m_shownVersion = QVariant();
    m_shownWhole = false;
    clearRecordPage();
    bool read = false, failed = false;
    if (!key.isNull()) {
        Recordset rs;
        const QString sql = QStringLiteral("SELECT * FROM ") + m_script.form().table +
                            QStringLiteral(" WHERE ") + m_script.form().key + QLatin1Char('=') +
                            BoundControl::SqlLiteral(key);
        if (!rs.Open(sql, m_conn)) {
            // The entry stays the current one, not shown: an edit, copy or delete reads it again.
            m_currentKey = key;
            failed = true;
        } else if (!rs.Eof()) {  // a row another user removed meanwhile shows nothing
            for (const Bound& b : m_bound) {
                if (b.control->page != FormScript::Page::Record || !b.control->bound() || !b.widget) continue;
                const int field = rs.FieldIndex(b.control->field);
                if (field < 0) continue;
                QString format = b.control->format;
                // Date formats are written with mm for the month, as the scripts have them.
                if (!format.contains(QLatin1String("MM")) &&
                    !format.contains(QLatin1Char('h'), Qt::CaseInsensitive))
                    format.replace(QLatin1String("mm"), QLatin1String("MM"));
                BoundControl::SetValue(b.widget, rs.Value(field),
                                       b.control->digitsOnly() ? QString() : format);
            }
            const QVariant stored = rs.Value(m_script.form().key);
            m_currentKey = stored.isNull() ? key : stored;
            if (rs.FieldIndex(QLatin1String(VersionColumn)) >= 0)
                m_shownVersion = rs.Value(QLatin1String(VersionColumn));
            read = true;
        }
    }
    if (!read && !m_terminated) {
        m_form->mclsDBForm_ClearRec();  // leaves the pending error alone
        if (failed) reportError(QStringLiteral("ShowRec"), false);
    }
    if (m_terminated || !m_form) return;
    updateToolbar();
    if (!read || m_terminated || !m_form) return;
    bool whole = true;
    m_form->mclsDBForm_PostShowRec(m_currentKey, whole);
    if (m_terminated || !m_form) return;
    if (whole) {
        m_shownWhole = true;
        return;
    }
    // Half a page is not shown: what was read goes too, and the user hears why.
    clearRecordPage();
    m_shownVersion = QVariant();
    m_form->mclsDBForm_ClearRec();
    if (!Err().Pending())
        Err().Raise(ErrNo::DbCommandFailed, QStringLiteral("clsDBForm"), m_conn->LastErrorText());
    reportError(QStringLiteral("ShowRec"), false);
}

bool clsDBForm::readAgainIfNotShown() {
    if (m_currentKey.isNull()) return false;
    if (m_shownWhole) return true;
    showRecord(m_currentKey);
    return m_shownWhole && !m_terminated && m_form;
}

void clsDBForm::clearRecordPage() {
    for (const Bound& b : m_bound)
        if (b.control->page == FormScript::Page::Record && b.control->bound() && b.widget)
            BoundControl::Clear(b.widget);
}

void clsDBForm::prepareRecordPage(long action) {
    const bool locked = action == actView;
    for (const Bound& b : m_bound) {
        if (b.control->page != FormScript::Page::Record || !b.widget) continue;
        if (b.control->arrayName.compare(QLatin1String("cmdEdit"), Qt::CaseInsensitive) == 0)
            b.widget->setEnabled(!locked);
        else
            BoundControl::SetLocked(b.widget, locked);
    }
}

void clsDBForm::enterView() {
    m_action = 0;
    prepareRecordPage(actView);
    updateToolbar();
    if (m_form && !m_terminated) m_form->mclsDBForm_PostInitRec(actView);
}

void clsDBForm::setTab(int page) {
    if (m_form && m_form->tabA->currentIndex() != page) m_form->tabA->setCurrentIndex(page);
}

// ---- forwarded events ----

void clsDBForm::FormResize() {
    // The pages are laid out by the window; nothing of the framework depends on the size.
}

void clsDBForm::FormKeyDown(int& KeyCode, int& Shift) {
    if (!m_started || m_terminated || !m_form) return;
    if (Shift == 4 && KeyCode >= '1' && KeyCode <= '3') {
        const int page = KeyCode - '1';
        if (!Editing() || page == RecordPage) setTab(page);
        KeyCode = 0;
        return;
    }
    if (KeyCode == 13 && Shift == 0 && !Editing() && m_form->tabA->currentIndex() == SearchPage) {
        KeyCode = 0;
        search();
        return;
    }
    // Enter on a list row shows it on the record page, as a double click does.
    if (KeyCode == 13 && Shift == 0 && !Editing() && m_form->tabA->currentIndex() == ListPage &&
        m_form->tdbg->hasFocus() && !m_currentKey.isNull()) {
        KeyCode = 0;
        setTab(RecordPage);
    }
}

void clsDBForm::ToolbarAction(const QString& key) {
    if (!m_started || m_terminated || !m_form) return;
    const long need = actionOfKey(key);
    if (need && !(m_permissions & need)) return;
    if (QAction* a = ToolbarButton(key); a && !a->isEnabled()) return;
    if (key == QLatin1String("print")) {
        printReport();
    } else if (key == QLatin1String("prev")) {
        m_form->adodc->MovePrevious();
    } else if (key == QLatin1String("next")) {
        m_form->adodc->MoveNext();
    } else if (key == QLatin1String("refresh")) {
        const QVariant key = m_currentKey;
        openList(m_listCond, key);
        showRecord(m_list->rowOfKey(key) >= 0 ? key : m_form->adodc->CurrentKey());
    } else if (key == QLatin1String("sAsc") || key == QLatin1String("sDesc")) {
        sortList(key == QLatin1String("sDesc"));
    } else if (key == QLatin1String("add")) {
        beginEdit(actNew);
    } else if (key == QLatin1String("copy")) {
        beginEdit(actCopy);
    } else if (key == QLatin1String("edit")) {
        beginEdit(actUpdate);
    } else if (key == QLatin1String("del")) {
        deleteRecord();
    } else if (key == QLatin1String("search")) {
        setTab(SearchPage);
    } else if (key == QLatin1String("list")) {
        search();
    } else if (key == QLatin1String("clear")) {
        clearSearch();
        setTab(SearchPage);
    } else if (key == QLatin1String("save")) {
        saveRecord();
    } else if (key == QLatin1String("cancel")) {
        cancelEdit();
    }
}

void clsDBForm::TabClick(int) {
    if (!m_started || m_terminated || !m_form) return;
    QTabWidget* tabs = m_form->tabA;
    if (Editing() && tabs->currentIndex() != RecordPage) {
        // An edit stays on its page until it is saved or abandoned.
        const bool blocked = tabs->blockSignals(true);
        tabs->setCurrentIndex(RecordPage);
        tabs->blockSignals(blocked);
        return;
    }
    if (tabs->currentIndex() == ListPage) m_form->tdbg->setFocus();
}

void clsDBForm::GridDblClick() {
    if (!m_started || m_terminated || Editing()) return;
    setTab(RecordPage);
}

void clsDBForm::ActionClick(int index) {
    if (!m_started || m_terminated || !m_form) return;
    if (index == 0 && !Editing() && !m_currentKey.isNull()) setTab(RecordPage);
    if (index == 1) m_form->close();
}

QVariant clsDBForm::SelectedRecs(const QString& column) const {
    if (!m_form || !m_list || !m_list->IsOpen()) return {};
    const bool isKey = column.compare(m_list->KeyField(), Qt::CaseInsensitive) == 0;
    const int field = m_list->fieldIndex(column);
    if (!isKey && field < 0) return {};
    QList<int> rows;
    for (const QModelIndex& i : m_form->tdbg->selectionModel()->selectedRows()) rows << i.row();
    if (rows.isEmpty()) return {};
    std::sort(rows.begin(), rows.end());
    QVariantList values;
    for (int row : rows) values << (isKey ? m_list->key(row) : m_list->value(row, field));
    return values;
}

bool clsDBForm::QueryUnload() {
    if (!Editing() || m_terminated) return true;
    if (MsgBox(UnsavedQuestion(), vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2) != vb::vbYes)
        return false;
    cancelEdit();
    return true;
}

void clsDBForm::Terminate() {
    if (m_terminated) return;
    m_terminated = true;
    m_started = false;
    if (m_form && m_form->tdbg->selectionModel()) m_form->tdbg->selectionModel()->disconnect(this);
    m_form = nullptr;
    m_bound.clear();
}

void clsDBForm::reportError(const QString& source, bool database) {
    auto& gErr = modDeclare::gErr;
    if (!gErr) {
        Err().Clear();
        return;
    }
    if (database)
        gErr->DBErrorMsg(source, true, this);
    else
        gErr->ErrorMsg(source, true, this);
}
