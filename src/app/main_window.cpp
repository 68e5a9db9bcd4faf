#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>
#include <cstdio>

#include "app/command_table.h"
#include "app/editor_view.h"
#include "app/tool_icons.h"
#include "gui/app_texts.h"
#include "settings/settings_store.h"
#include "text/c_runtime.h"

namespace kova::app {
namespace {

const std::string kSection = "Window size";
const std::string kBarSection = "Bar State";

// A rectangle that no screen shows is put back at the default place.
bool OnSomeScreen(const QRect& rect) {
    const auto screens = QGuiApplication::screens();
    if (screens.isEmpty()) {
        return true;
    }
    for (const QScreen* screen : screens) {
        if (screen->virtualGeometry().intersects(rect)) {
            return true;
        }
    }
    return false;
}

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

MainWindow::MainWindow(SettingsStore& store, QWidget* parent) : QMainWindow(parent), store_(store) {
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    SetRecentFiles({});
}

void MainWindow::CreateActions() {
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
}

void MainWindow::CreateMenus() {
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

void MainWindow::CreateToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : ToolBarOrder()) {
        if (id == kSeparator) {
            toolBar_->addSeparator();
        } else {
            toolBar_->addAction(Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);

    QAction* toggle = Action(ID_VIEW_TOOLBAR);
    toggle->setChecked(true);
    connect(toolBar_, &QToolBar::visibilityChanged, toggle, [this, toggle](bool) {
        // A hidden window also hides its bar; only the bar's own state counts.
        toggle->setChecked(!toolBar_->isHidden());
    });
}

void MainWindow::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // A normal widget: a prompt covers it and it comes back when the prompt goes.
    idlePrompt_ = new QLabel(U(gui::kIdlePrompt), bar);
    idlePrompt_->setObjectName(QStringLiteral("IdlePrompt"));
    bar->addWidget(idlePrompt_, 1);
    // The editor's panes, before the specified indicators.
    cursorPane_ = new QLabel(bar);
    cursorPane_->setObjectName(QStringLiteral("CursorPane"));
    cursorPane_->setAlignment(Qt::AlignCenter);
    cursorPane_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    cursorPane_->setMinimumWidth(
        cursorPane_->fontMetrics().horizontalAdvance(U(gui::kCursorPosition).arg(99999).arg(9999)) +
        12);
    bar->addPermanentWidget(cursorPane_);
    encodingPane_ = new QLabel(bar);
    encodingPane_->setObjectName(QStringLiteral("EncodingPane"));
    encodingPane_->setAlignment(Qt::AlignCenter);
    encodingPane_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(encodingPane_);
    ShowCursorPosition(1, 1);
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
    Action(ID_VIEW_STATUS_BAR)->setChecked(true);
}

void MainWindow::ShowCursorPosition(int line, int column) {
    cursorPane_->setText(U(gui::kCursorPosition).arg(line).arg(column));
}

void MainWindow::ShowEncoding(const QString& name) {
    encodingPane_->setText(name);
}

void MainWindow::SetRecentFiles(const QStringList& paths) {
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

std::string MainWindow::FormatRect(const QRect& rect) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d %04d %04d %04d", rect.left(), rect.top(),
                  rect.left() + rect.width(), rect.top() + rect.height());
    return text;
}

std::optional<QRect> MainWindow::ParseRect(const std::string& text) {
    if (text.size() < 16) {
        return std::nullopt;
    }
    const int left = Atoi(text.substr(0));
    const int top = Atoi(text.substr(5));
    const int right = Atoi(text.substr(10));
    const int bottom = Atoi(text.substr(15));
    const long long width = static_cast<long long>(right) - left;
    const long long height = static_cast<long long>(bottom) - top;
    if (width <= 0 || height <= 0 || width > 100000 || height > 100000) {
        return std::nullopt;
    }
    return QRect(left, top, static_cast<int>(width), static_cast<int>(height));
}

void MainWindow::Activate(Qt::WindowStates requested) {
    if (!firstShow_) {
        setWindowState(requested);
        show();
        return;
    }
    firstShow_ = false;
    QRect normal = kDefaultRect;
    if (const auto stored = store_.ReadString(kSection, "Rect"); stored && !stored->empty()) {
        if (const auto parsed = ParseRect(*stored); parsed && OnSomeScreen(*parsed)) {
            normal = *parsed;
        }
    }
    const bool icon = store_.ReadInt(kSection, "icon", 0) != 0;
    const bool max = store_.ReadInt(kSection, "max", 0) != 0;

    ReadBarState();
    setGeometry(normal);
    if (icon) {
        // Minimised and not activated; restoring it maximises it when max is set.
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        setWindowState(Qt::WindowMinimized | (max ? Qt::WindowMaximized : Qt::WindowNoState));
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    } else if (max) {
        showMaximized();
    } else {
        showNormal();
    }
}

void MainWindow::WritePlacement() {
    const Qt::WindowStates state = windowState();
    int icon = 0;
    int max = 0;
    if (state & Qt::WindowMinimized) {
        icon = 1;
        max = (state & Qt::WindowMaximized) ? 1 : 0;
    } else if (state & Qt::WindowMaximized) {
        max = 1;
    }
    const QRect normal =
        (state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
            ? normalGeometry()
            : geometry();
    store_.WriteString(kSection, "Rect", FormatRect(normal.isValid() ? normal : geometry()));
    store_.WriteInt(kSection, "icon", icon);
    store_.WriteInt(kSection, "max", max);
    WriteBarState();
}

QString MainWindow::ManualPath() {
    const QFileInfo installed(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/doc/kova/manual/index.html"));
    return installed.isFile() ? installed.canonicalFilePath() : QString();
}

void MainWindow::OpenHomepage() {
    // Whatever the desktop answers, nothing is reported.
    QDesktopServices::openUrl(QUrl(U(gui::kAuthorHomepage)));
}

void MainWindow::ShowManual() {
    const QString manual = ManualPath();
    if (manual.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) {
        statusBar()->showMessage(
            U(gui::kManualMissing).arg(manual).section(QLatin1Char('\n'), 0, 0), 5000);
    }
}

void MainWindow::EnterContextHelp() {
    QWhatsThis::enterWhatsThisMode();
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::EnterWhatsThisMode) {
        statusBar()->showMessage(U(gui::kContextHelpPrompt));
    } else if (event->type() == QEvent::LeaveWhatsThisMode) {
        statusBar()->clearMessage();
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeGuard_ && !closeGuard_()) {
        event->ignore();
        return;
    }
    WritePlacement();
    if (!store_.Sync()) {
        emit SettingsNotStored(QString::fromStdString(store_.SyncError()));
    }
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (const QStringList paths = LocalFilePaths(event->mimeData()); !paths.isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTimer::singleShot(0, this, [this, paths] { emit FilesDropped(paths); });
    }
}

void MainWindow::WriteBarState() {
    store_.WriteString(kBarSection, "State", saveState().toBase64().toStdString());
    store_.WriteInt(kBarSection, "StatusBar", statusBar()->isHidden() ? 0 : 1);
}

void MainWindow::ReadBarState() {
    if (const auto state = store_.ReadString(kBarSection, "State")) {
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
    }
    const bool shown = store_.ReadInt(kBarSection, "StatusBar", 1) != 0;
    statusBar()->setVisible(shown);
    Action(ID_VIEW_STATUS_BAR)->setChecked(shown);
    Action(ID_VIEW_TOOLBAR)->setChecked(!toolBar_->isHidden());
}

}  // namespace kova::app
