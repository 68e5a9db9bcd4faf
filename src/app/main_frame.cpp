#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include "gui/app_texts.h"
#include "app/command_table.h"
#include "app/tool_icons.h"
#include "settings/settings_store.h"

namespace kova::app {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// A long path keeps its start and its file name.
QString RecentText(int number, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    constexpr int kWidest = 60;
    if (shown.size() > kWidest) {
        const QString name = QFileInfo(path).fileName();
        const int head = std::max<int>(3, kWidest - static_cast<int>(name.size()) - 4);
        shown = shown.left(head) + QStringLiteral("...") + QDir::separator() + name;
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(number).arg(shown);
}

}  // namespace

CMainFrame::CMainFrame(SettingsStore& store, QWidget* parent) : CPersistentFrame(store, parent) {
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    SetRecentFiles({});
}

void CMainFrame::CreateActions() {
    for (const CommandSpec& command : CommandTable()) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(command.name));
        action->setData(command.id);
        if (command.menuText != nullptr) {
            action->setText(U(command.menuText));
        }
        QList<QKeySequence> keys;
        for (const char* key : command.keys) {
            keys.append(QKeySequence(QString::fromLatin1(key)));
        }
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        if (command.prompt != nullptr) {
            action->setStatusTip(U(command.prompt));
            action->setWhatsThis(U(command.prompt));
        }
        if (command.tip != nullptr) {
            action->setToolTip(U(command.tip));
        }
        action->setIcon(ToolIcon(command.id));
        action->setIconVisibleInMenu(false);
        addAction(action);  // keys act even for commands on no menu
        actions_.insert(command.id, action);
    }
    // No handler: the panes of this window do not take turns.
    Action(ID_NEXT_PANE)->setEnabled(false);
    Action(ID_PREV_PANE)->setEnabled(false);
    Action(ID_VIEW_TOOLBAR)->setCheckable(true);
    Action(ID_VIEW_STATUS_BAR)->setCheckable(true);

    connect(Action(ID_AUTHOR_HOMEPAGE), &QAction::triggered, this, &CMainFrame::OnAuthorHomepage);
    connect(Action(ID_HELP_FINDER), &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(Action(ID_HELP), &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(Action(ID_DEFAULT_HELP), &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(Action(ID_CONTEXT_HELP), &QAction::triggered, this, &CMainFrame::OnContextHelp);
}

void CMainFrame::CreateMenus() {
    for (const MenuBarEntry& entry : MenuLayout()) {
        if (const int* plain = std::get_if<int>(&entry)) {
            // The bar would show the tool-bar picture instead of the text: a
            // text-only twin carries the command there.
            QAction* command = Action(*plain);
            QAction* item = menuBar()->addAction(command->text());
            item->setObjectName(command->objectName() + QStringLiteral("_MenuBar"));
            item->setStatusTip(command->statusTip());
            item->setWhatsThis(command->whatsThis());
            connect(item, &QAction::triggered, command, &QAction::trigger);
            continue;
        }
        const auto& popup = std::get<MenuPopup>(entry);
        QMenu* menu = menuBar()->addMenu(U(popup.title));
        for (const int item : popup.items) {
            if (item == kSeparator) {
                menu->addSeparator();
                continue;
            }
            if (item == ID_FILE_MRU_FILE1) {
                fileMenu_ = menu;
                QAction* placeholder = Action(ID_FILE_MRU_FILE1);
                placeholder->setEnabled(false);
                menu->addAction(placeholder);
                recentActions_ = {placeholder};
                continue;
            }
            menu->addAction(Action(item));
        }
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : ToolBarOrder()) {
        if (id == kSeparator) {
            m_wndToolBar->addSeparator();
        } else {
            m_wndToolBar->addAction(Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    QAction* toggle = Action(ID_VIEW_TOOLBAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, m_wndToolBar, &QToolBar::setVisible);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, toggle, [this, toggle](bool) {
        // A hidden window also hides its bar; only the bar's own state counts.
        toggle->setChecked(!m_wndToolBar->isHidden());
    });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // A normal widget: a prompt covers it and it comes back when the prompt goes.
    idlePrompt_ = new QLabel(U(gui::kIdlePrompt), bar);
    idlePrompt_->setObjectName(QStringLiteral("IdlePrompt"));
    bar->addWidget(idlePrompt_, 1);
    for (const char* indicator :
         {gui::kIndicatorKana, gui::kIndicatorCaps, gui::kIndicatorNum, gui::kIndicatorScroll}) {
        auto* pane = new QLabel(U(indicator), bar);
        pane->setObjectName(QStringLiteral("Indicator"));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 12);
        // The lock states cannot be read portably; the panes are shown dimmed.
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    QAction* toggle = Action(ID_VIEW_STATUS_BAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::SetRecentFiles(const QStringList& paths) {
    QAction* placeholder = Action(ID_FILE_MRU_FILE1);
    for (QAction* action : std::as_const(recentActions_)) {
        fileMenu_->removeAction(action);
        if (action != placeholder) {
            action->deleteLater();
        }
    }
    recentActions_.clear();
    // The recent files sit between the second and the third separator.
    if (recentEnd_ == nullptr) {
        int separators = 0;
        for (QAction* action : fileMenu_->actions()) {
            if (action->isSeparator() && ++separators == 3) {
                recentEnd_ = action;
                break;
            }
        }
    }
    if (paths.isEmpty()) {
        fileMenu_->insertAction(recentEnd_, placeholder);
        recentActions_.append(placeholder);
        return;
    }
    int number = 0;
    for (const QString& path : paths) {
        auto* action = new QAction(RecentText(++number, path), this);
        action->setObjectName(QStringLiteral("ID_FILE_MRU_FILE%1").arg(number));
        action->setData(ID_FILE_MRU_FILE1 + number - 1);
        action->setStatusTip(U(gui::kRecentPrompt));
        connect(action, &QAction::triggered, this, [this, path] { emit RecentFileChosen(path); });
        fileMenu_->insertAction(recentEnd_, action);
        recentActions_.append(action);
    }
}

QString CMainFrame::ManualPath() {
    const QString installed = QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/doc/kova/manual/index.html");
    for (const QString& candidate :
         {installed, QStringLiteral(KOVA_SOURCE_DIR "/docs/manual/index.html")}) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).canonicalFilePath();
        }
    }
    return QString();
}

void CMainFrame::OnAuthorHomepage() {
    // Whatever the desktop answers, nothing is reported.
    QDesktopServices::openUrl(QUrl(U(gui::kAuthorHomepage)));
}

void CMainFrame::OnHelpFinder() {
    const QString manual = ManualPath();
    if (manual.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) {
        statusBar()->showMessage(U(gui::kManualMissing).arg(manual).section(QLatin1Char('\n'), 0, 0),
                                 5000);
    }
}

void CMainFrame::OnContextHelp() {
    QWhatsThis::enterWhatsThisMode();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::EnterWhatsThisMode) {
        statusBar()->showMessage(U(gui::kContextHelpPrompt));
    } else if (event->type() == QEvent::LeaveWhatsThisMode) {
        statusBar()->clearMessage();
    }
    return CPersistentFrame::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeGuard_ && !closeGuard_()) {
        event->ignore();
        return;
    }
    OnDestroy();
    if (!Store().Sync()) {
        emit SettingsNotStored(QString::fromStdString(Store().SyncError()));
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    if (!paths.isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTimer::singleShot(0, this, [this, paths] { emit FilesDropped(paths); });
    }
}

void CMainFrame::SaveBarState() {
    CPersistentFrame::SaveBarState();
    Store().WriteInt("Bar State", "StatusBar", statusBar()->isHidden() ? 0 : 1);
}

void CMainFrame::LoadBarState() {
    CPersistentFrame::LoadBarState();
    const bool shown = Store().ReadInt("Bar State", "StatusBar", 1) != 0;
    statusBar()->setVisible(shown);
    Action(ID_VIEW_STATUS_BAR)->setChecked(shown);
    Action(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
}

}  // namespace kova::app
