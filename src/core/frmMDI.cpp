#include "frmMDI.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include "App.h"
#include "FormLayout.h"
#include "clsInit.h"
#include "cls_Login.h"
#include "frmAbout.h"
#include "frmOptions.h"
#include "frmUsersActive.h"
#include "modDeclare.h"
#include "modMain.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
frmMDI* g_instance = nullptr;

// The lock states carried by a key event, where the platform reports them: X11 sends its
// modifier mask (Lock 0x02, Mod2 0x10 for num lock) with every key event; elsewhere nothing.
struct LockStates {
    bool known = false;
    bool caps = false;
    bool num = false;
};
LockStates lockStates(const QKeyEvent* event) {
    static const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!x11 || (event->nativeModifiers() == 0 && event->nativeScanCode() == 0)) return {};
    const quint32 mask = event->nativeModifiers();
    return {true, (mask & 0x02) != 0, (mask & 0x10) != 0};
}
}  // namespace

frmMDI* frmMDI::instance() {
    if (!g_instance) g_instance = new frmMDI;
    return g_instance;
}

bool frmMDI::exists() {
    return g_instance != nullptr;
}

frmMDI::frmMDI() {
    g_instance = this;
    // Closing the main window ends the run; nothing else holds it.
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    buildImages();

    connect(mnuProtocol, &QAction::triggered, this, &frmMDI::mnuProtocol_Click);
    connect(mnuUsers, &QAction::triggered, this, &frmMDI::mnuUsers_Click);
    connect(mnuNewLogin, &QAction::triggered, this, &frmMDI::mnuNewLogin_Click);
    connect(mnuUsersActive, &QAction::triggered, this, &frmMDI::mnuUsersActive_Click);
    connect(mnuOptions, &QAction::triggered, this, &frmMDI::mnuOptions_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMDI::mnuExit_Click);
    for (const auto& [index, item] : mnuParam)
        connect(item, &QAction::triggered, this, [this, i = index] { mnuParam_Click(i); });
    connect(mnuWindowCascade, &QAction::triggered, this, &frmMDI::mnuWindowCascade_Click);
    connect(mnuWindowTileHorizontal, &QAction::triggered, this, &frmMDI::mnuWindowTileHorizontal_Click);
    connect(mnuWindowTileVertical, &QAction::triggered, this, &frmMDI::mnuWindowTileVertical_Click);
    connect(mnuWindowArrangeIcons, &QAction::triggered, this, &frmMDI::mnuWindowArrangeIcons_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMDI::mnuHelpAbout_Click);

    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &frmMDI::refreshClock);
    m_clock->start(1000);
    qApp->installEventFilter(this);

    Form_Load();
}

frmMDI::~frmMDI() {
    qApp->removeEventFilter(this);
    if (g_instance == this) g_instance = nullptr;
}

QLabel* frmMDI::Panel(const QString& key) const {
    return m_panels.value(key, nullptr);
}

void frmMDI::Form_Load() {
    const QIcon icon = AppIcon();
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    bool flag1 = false, flag2 = false;
    FormLayout::Shared().Restore(this, 0, 0, 7400, 700, kSection, flag1, flag2);
    setWindowTitle(App::Title() + QLatin1Char(' ') + QString::number(App::Major()) + QLatin1Char('.') +
                   QString::number(App::Minor()) + QLatin1Char('.') + QString::number(App::Revision()));
    refreshClock();
    refreshKeyStates();
}

void frmMDI::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    bool flag = false;
    FormLayout::Shared().Save(this, kSection, flag);
    modMain::CloseDown();
    // Ends the run; outside an event loop (tests) there is nothing to end.
    QCoreApplication::quit();
}

void frmMDI::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMDI::refreshClock() {
    const QDateTime now = QDateTime::currentDateTime();
    m_panels[QStringLiteral("date")]->setText(now.date().toString(QStringLiteral("dd/MM/yyyy")));
    m_panels[QStringLiteral("time")]->setText(now.time().toString(QStringLiteral("HH:mm")));
}

void frmMDI::refreshKeyStates() {
    // Off is shown greyed, as the key-state panels do.
    m_panels[QStringLiteral("CAPS")]->setEnabled(m_caps);
    m_panels[QStringLiteral("NUM")]->setEnabled(m_num);
    m_panels[QStringLiteral("INS")]->setEnabled(m_insert);
}

bool frmMDI::eventFilter(QObject* watched, QEvent* event) {
    // A key event reaches the filter once per widget it passes through; count it at its target.
    QWidget* focus = QApplication::focusWidget();
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        (focus ? watched == focus : static_cast<QWidget*>(watched)->isWindow())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const LockStates native = lockStates(key);
        if (native.known) m_caps = native.caps, m_num = native.num;
        // The native mask is the state before this press.
        if (key->key() == Qt::Key_CapsLock) m_caps = !m_caps;
        if (key->key() == Qt::Key_NumLock) m_num = !m_num;
        if (key->key() == Qt::Key_Insert && !key->isAutoRepeat()) m_insert = !m_insert;
        refreshKeyStates();
    }
    return QMainWindow::eventFilter(watched, event);
}

std::function<void()> frmMDI::OpenProtocolWindow;
std::function<void()> frmMDI::OpenUsersWindow;
std::function<void(const frmMDI::LookupList&)> frmMDI::OpenLookupWindow;

frmMDI::LookupList frmMDI::LookupListOf(int index) {
    // The window captions are not the menu's: "Τύποι Εισ.-Εξ." and the unaccented places list.
    static const std::map<int, LookupList> lists{
        {0, {QStringLiteral("Τμήματα"), QStringLiteral("L_TMHMATA"), QStringLiteral("CODE"), {}, 126, {}}},
        {1,
         {QStringLiteral("Τύποι Εισ.-Εξ."), QStringLiteral("L_TYPOI"), QStringLiteral("CODE"), {}, 125, {}}},
        {2, {QStringLiteral("Από"), QStringLiteral("L_APO"), {}, {}, 129, {}}},
        {3, {QStringLiteral("Προς"), QStringLiteral("L_PROS"), {}, {}, 130, {}}},
        {4, {QStringLiteral("Τοπος προελευσης"), QStringLiteral("L_TOPOS"), {}, {}, 131, {}}},
        {5, {QStringLiteral("Αρμόδιοι"), QStringLiteral("L_ARMODIOS"), {}, {}, 128, {}}},
        {10, {QStringLiteral("Συνήθεις φράσεις"), QStringLiteral("L_PHRASES"), {}, {}, 127, {}}},
        {11, {QStringLiteral("Αρχειοθέτηση"), QStringLiteral("L_ARXEIOTHETHSH"), {}, {}, 132, {}}},
    };
    const auto it = lists.find(index);
    if (it == lists.end()) return {};
    LookupList list = it->second;
    list.descrField = QStringLiteral("DESCR");
    list.idField = QStringLiteral("ID");
    return list;
}

void frmMDI::mnuProtocol_Click() {
    if (OpenProtocolWindow) OpenProtocolWindow();
}
void frmMDI::mnuUsers_Click() {
    if (OpenUsersWindow) OpenUsersWindow();
}
void frmMDI::mnuUsersActive_Click() {
    using modDeclare::gUsersActiveForm;
    // One window for the run, without an owner: it lives beside the main window, not inside it.
    if (!gUsersActiveForm) gUsersActiveForm = new frmUsersActive;
    auto* form = qobject_cast<frmUsersActive*>(gUsersActiveForm.data());
    if (!form || form->isVisible()) return;
    form->show();
    form->Init();
}
void frmMDI::mnuOptions_Click() {
    frmOptions options(this);
    options.exec();
}
void frmMDI::mnuParam_Click(int index) {
    const LookupList list = LookupListOf(index);
    if (OpenLookupWindow && !list.table.isEmpty()) OpenLookupWindow(list);
}

void frmMDI::mnuExit_Click() {
    close();
}

void frmMDI::mnuHelpAbout_Click() {
    frmAbout about(this);
    about.exec();
}

void frmMDI::mnuNewLogin_Click() {
    ConnectionPtr conn;
    std::shared_ptr<cls_User> user;
    bool loggedIn = false;
    {
        cls_Login login;
        loggedIn = login.UserLogin(conn, user);
    }
    TakeNewSession(loggedIn, conn, user);
}

bool frmMDI::TakeNewSession(bool loggedIn, ConnectionPtr conn, std::shared_ptr<cls_User> user) {
    using namespace modDeclare;
    const bool another = loggedIn && user && conn && (!gUser || user->UserId != gUser->UserId);
    if (!another) {
        // The same user's log-in has already closed the current session row and opened its own:
        // that row stays open under this connection and the log-out closes it with the others.
        if (conn && conn != gConn) conn->Close();
        return false;
    }

    modMain::CloseDown();
    unloadOtherForms();
    gConn = conn;
    gUser = user;
    clsInit init;
    init.Set_Menus(gUser->Auth);
    init.Show_UserInfo();
    return true;
}

void frmMDI::unloadOtherForms() {
    QList<QPointer<QWidget>> forms;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        // Menus, tool tips and the like are parts of windows, not forms.
        if (w != this && (type == Qt::Window || type == Qt::Dialog)) forms << w;
    }
    for (const QPointer<QWidget>& form : forms) {
        if (!form) continue;
        form->close();
        if (form) form->deleteLater();
    }
}

void frmMDI::mnuWindowCascade_Click() {
    mdiArea->cascadeSubWindows();
}

void frmMDI::mnuWindowTileHorizontal_Click() {
    // One above the other, each the area's full width.
    const QList<QMdiSubWindow*> windows = mdiArea->subWindowList();
    if (windows.isEmpty()) return;
    const int height = mdiArea->viewport()->height() / int(windows.size());
    int y = 0;
    for (QMdiSubWindow* w : windows) {
        w->showNormal();
        w->setGeometry(0, y, mdiArea->viewport()->width(), height);
        y += height;
    }
}

void frmMDI::mnuWindowTileVertical_Click() {
    // Side by side, each the area's full height.
    const QList<QMdiSubWindow*> windows = mdiArea->subWindowList();
    if (windows.isEmpty()) return;
    const int width = mdiArea->viewport()->width() / int(windows.size());
    int x = 0;
    for (QMdiSubWindow* w : windows) {
        w->showNormal();
        w->setGeometry(x, 0, width, mdiArea->viewport()->height());
        x += width;
    }
}

void frmMDI::mnuWindowArrangeIcons_Click() {
    // Minimized windows in a row along the bottom of the area.
    int x = 0;
    for (QMdiSubWindow* w : mdiArea->subWindowList()) {
        if (!w->isMinimized()) continue;
        w->move(x, mdiArea->viewport()->height() - w->height());
        x += w->width();
    }
}
