#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "CommonDialog.h"
#include "Connection.h"
#include "ImageList.h"
#include "cls_User.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;
class QTimer;

// The main window: menus by rights, the status bar, and what other windows borrow from it (the
// icon, imlDBForm, cmnDlg1). One instance for the run; closing it ends the program.
class frmMDI : public QMainWindow {
    Q_OBJECT

public:
    // The window of the run, loaded (not shown) on first use, as the system's default instance.
    static frmMDI* instance();
    static bool exists();
    // The picture of every window of the program.
    static QIcon AppIcon();

    // The work windows of the menus live in libraries above this one; each installs how it is
    // opened (create, Init, show modally, unload).
    static std::function<void()> OpenProtocolWindow;
    static std::function<void()> OpenUsersWindow;
    // The lookup editor on one list: caption, table, code column ("" none), description column,
    // report number, key column.
    struct LookupList {
        QString caption, table, codeField, descrField;
        long reportNo = 0;
        QString idField;
    };
    static std::function<void(const LookupList&)> OpenLookupWindow;
    // The list each mnuParam index opens; an index without one gives a caption-less entry.
    static LookupList LookupListOf(int index);

    ~frmMDI() override;

    // The status-bar panel with the key "user", "winuser", "db", "CAPS", "NUM", "INS", or "date"
    // and "time" for the two panels without keys. Null for any other key.
    QLabel* Panel(const QString& key) const;

    // The new log-in once cls_Login has answered: takes the new session when it is another user's,
    // otherwise drops the new connection. True when the session changed.
    bool TakeNewSession(bool loggedIn, ConnectionPtr conn, std::shared_ptr<cls_User> user);

    // Menus and items, named as the form names them.
    QMenu* mnuFile = nullptr;
    QAction* mnuProtocol = nullptr;
    QAction* mnuFileSep2 = nullptr;
    QAction* mnuUsers = nullptr;
    QAction* mnuNewLogin = nullptr;
    QAction* mnuUsersActive = nullptr;
    QAction* mnuFileSep4 = nullptr;
    QAction* mnuOptions = nullptr;
    QAction* mnuFileSep5 = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuParams = nullptr;
    std::map<int, QAction*> mnuParam;  // indexes 0 to 5, 10 and 11
    QMenu* mnuWindow = nullptr;
    QAction* mnuWindowCascade = nullptr;
    QAction* mnuWindowTileHorizontal = nullptr;
    QAction* mnuWindowTileVertical = nullptr;
    QAction* mnuWindowArrangeIcons = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpAbout = nullptr;

    QMdiArea* mdiArea = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    ImageList imlDBForm;
    CommonDialog cmnDlg1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // The work windows: each menu makes its window anew (the connected users excepted).
    void mnuProtocol_Click();
    void mnuUsers_Click();
    void mnuUsersActive_Click();
    void mnuOptions_Click();
    void mnuParam_Click(int index);

    void mnuNewLogin_Click();
    void mnuExit_Click();
    void mnuHelpAbout_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();

private:
    frmMDI();
    void buildControls();  // frmMDI_ui.cpp
    void buildImages();    // frmMDI_images.cpp
    void Form_Load();
    void Form_Unload();
    void unloadOtherForms();
    void refreshClock();
    void refreshKeyStates();

    QMap<QString, QLabel*> m_panels;
    QTimer* m_clock = nullptr;
    // What the key-state panels show: this platform does not report the lock states, so they
    // follow the presses of the keys that the program sees.
    bool m_caps = false;
    bool m_num = false;
    bool m_insert = false;
    bool m_unloaded = false;
};
