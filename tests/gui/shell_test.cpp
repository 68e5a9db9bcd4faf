// The main window, its commands, the editor document, placement, single
// instance and drops, driven offscreen.
#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>
#include <cstring>
#include <future>
#include <memory>

#include "app/application.h"
#include "app/command_table.h"
#include "app/document.h"
#include "app/editor_view.h"
#include "app/main_window.h"
#include "gui/file_bytes.h"
#include "gui/let_close.h"
#include "gui/scripted_prompts.h"
#include "settings/settings_store.h"
#include "support/full_disk.h"

using namespace kova;
using namespace kova::app;
using kova::testing::ReadBytes;
using kova::testing::U;
using kova::testing::WriteBytes;

namespace {

// Catches what the shell hands to the desktop (web pages, the manual).
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<MemorySettingsStore> store_;
    std::unique_ptr<testing::ScriptedPrompts> prompts_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<QTemporaryDir> dir_;
    int instanceCounter_ = 0;

    QString InstanceName() {
        return dir_->filePath(QStringLiteral("instance-%1").arg(++instanceCounter_));
    }
    Application& Start(const QString& file = QString()) {
        app_ = std::make_unique<Application>(*store_, *prompts_, InstanceName());
        const auto started = app_->Start(file);
        if (started != Application::StartResult::Running) {
            qWarning("start-up did not run");
        }
        return *app_;
    }
    QString Path(const char* name) const { return dir_->filePath(QString::fromUtf8(name)); }
    // ASCII goes through key events; other text as an input method gives it.
    void Type(const QString& text) {
        bool ascii = true;
        for (const QChar c : text) {
            ascii = ascii && c.unicode() < 0x80;
        }
        if (ascii) {
            QTest::keyClicks(&app_->Editor(), text);
        } else {
            app_->Editor().insertPlainText(text);
        }
        QCoreApplication::processEvents();
    }
    void Activate() {
        QApplication::setActiveWindow(&app_->Window());
        QVERIFY(QTest::qWaitForWindowActive(&app_->Window()));
    }

  private slots:
    void init() {
        store_ = std::make_unique<MemorySettingsStore>();
        prompts_ = std::make_unique<testing::ScriptedPrompts>();
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        if (app_) {
            testing::LetClose(*app_);
        }
        app_.reset();
    }

    void menuBarLayout() {
        Start();
        QStringList top;
        for (QAction* action : app_->Window().menuBar()->actions()) {
            top.append(action->text());
        }
        QCOMPARE(top, QStringList({U("ﾌｧｲﾙ(&F)"), U("編集(&E)"), U("表示(&V)"), U("初期値設定(&I)"),
                                   U("最適流量計算(&T)"), U("計算結果(&O)"), U("ﾍﾙﾌﾟ(&H)")}));
        // The three plain items carry their command with its prompt.
        QAction* plain = app_->Window().menuBar()->actions().at(4);
        QCOMPARE(plain->menu(), nullptr);
        QCOMPARE(plain->statusTip(), U("KOVA最適流量計算"));
        QSignalSpy run(app_->Window().Action(ID_RUN_OPTIMIZATION), &QAction::triggered);
        plain->trigger();
        QCOMPARE(run.count(), 1);

        const auto items = [](QMenu* menu) {
            QStringList texts;
            for (QAction* action : menu->actions()) {
                texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            return texts;
        };
        const auto bar = app_->Window().menuBar()->actions();
        QCOMPARE(
            items(bar.at(0)->menu()),
            QStringList({U("新規作成(&N)\tCtrl+N"), U("開く(&O)...\tCtrl+O"),
                         U("上書き保存(&S)\tCtrl+S"), U("名前を付けて保存(&A)..."), "-",
                         U("印刷(&P)...\tCtrl+P"), U("印刷ﾌﾟﾚﾋﾞｭｰ(&V)"), U("ﾌﾟﾘﾝﾀの設定(&R)..."),
                         "-", U("最近使ったﾌｧｲﾙ"), "-", U("インポート(&I)..."),
                         U("モデルの書き出し(&E)..."), "-", U("KOVA終了(&X)")}));
        QVERIFY(!app_->Window().Action(ID_FILE_MRU_FILE1)->isEnabled());
        // The specified items with redo beside undo, then find and go to line.
        QCOMPARE(items(bar.at(1)->menu()),
                 QStringList({U("元に戻す(&U)\tCtrl+Z"), U("やり直し(&Y)\tCtrl+Y"), "-",
                              U("切り取り(&T)\tCtrl+X"), U("ｺﾋﾟｰ(&C)\tCtrl+C"),
                              U("貼り付け(&P)\tCtrl+V"), "-", U("検索(&F)...\tCtrl+F"),
                              U("次を検索(&N)\tF3"), U("前を検索(&V)\tShift+F3"),
                              U("置換(&R)...\tCtrl+H"), "-", U("行へ移動(&G)...\tCtrl+G")}));
        // The specified items, then the network picture.
        QCOMPARE(items(bar.at(2)->menu()), QStringList({U("ﾂｰﾙ ﾊﾞｰ(&T)"), U("ｽﾃｰﾀｽ ﾊﾞｰ(&S)"), "-",
                                                        U("ネットワーク図(&N)")}));
        QCOMPARE(items(bar.at(6)->menu()),
                 QStringList({U("ﾄﾋﾟｯｸの検索(&H)"), "-", U("作者のホームページ"),
                              U("KOVA のﾊﾞｰｼﾞｮﾝ情報(&A)...")}));
    }

    void toolBarOrderAndTips() {
        Start();
        QList<int> ids;
        QStringList tips;
        for (QAction* action : app_->Window().ToolBar()->actions()) {
            ids.append(action->isSeparator() ? 0 : action->data().toInt());
            if (!action->isSeparator()) {
                tips.append(action->toolTip());
                QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName()));
            }
        }
        // The specified buttons, then the network picture's.
        QCOMPARE(ids, QList<int>({57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 32771, 32773,
                                  32772, 57607, 57669, 57664, 0, ID_VIEW_NETWORK}));
        QCOMPARE(tips, QStringList({U("新規ﾌｧｲﾙ"), U("開く"), U("保存"), U("切り取り"), U("ｺﾋﾟｰ"),
                                    U("貼り付け"), U("最適流量計算"), U("初期値設定"),
                                    U("計算結果"), U("印刷"), U("ﾍﾙﾌﾟ"), U("ﾊﾞｰｼﾞｮﾝ情報"),
                                    U("ネットワーク図")}));
        QCOMPARE(app_->Window().ToolBar()->iconSize(), QSize(16, 16));
    }

    void promptsAndIdleText() {
        Start();
        struct Row {
            int id;
            const char* prompt;
        };
        for (const Row& row : {Row{ID_FILE_NEW, "新規にﾌｧｲﾙを作成"},
                               Row{ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"},
                               Row{ID_EDIT_PASTE, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け"},
                               Row{ID_SHOW_RESULTS, "KOVA計算結果"}, Row{ID_AUTHOR_HOMEPAGE, ""}}) {
            QCOMPARE(app_->Window().Action(row.id)->statusTip(), U(row.prompt));
        }
        QLabel* idle = app_->Window().IdlePrompt();
        QCOMPARE(idle->text(), U("ﾍﾙﾌﾟを表示するには [F1] を押してください。"));
        QVERIFY(idle->isVisible());
        app_->Window().statusBar()->showMessage(app_->Window().Action(ID_FILE_NEW)->statusTip());
        QVERIFY(!idle->isVisible());
        app_->Window().statusBar()->clearMessage();
        QVERIFY(idle->isVisible());
        QStringList panes;
        for (QLabel* pane : app_->Window().statusBar()->findChildren<QLabel*>("Indicator")) {
            panes.append(pane->text());
        }
        QCOMPARE(panes, QStringList({U("ｶﾅ"), "CAP", "NUM", "SCRL"}));
    }

    void accelerators_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("keys");
        QTest::newRow("new") << int(ID_FILE_NEW) << "Ctrl+N";
        QTest::newRow("open") << int(ID_FILE_OPEN) << "Ctrl+O";
        QTest::newRow("save") << int(ID_FILE_SAVE) << "Ctrl+S";
        QTest::newRow("print") << int(ID_FILE_PRINT) << "Ctrl+P";
        QTest::newRow("undo") << int(ID_EDIT_UNDO) << "Ctrl+Z, Alt+Backspace";
        QTest::newRow("cut") << int(ID_EDIT_CUT) << "Ctrl+X, Shift+Del";
        QTest::newRow("copy") << int(ID_EDIT_COPY) << "Ctrl+C, Ctrl+Ins";
        QTest::newRow("paste") << int(ID_EDIT_PASTE) << "Ctrl+V, Shift+Ins";
        QTest::newRow("redo") << int(ID_EDIT_REDO) << "Ctrl+Y, Ctrl+Shift+Z";
        QTest::newRow("find") << int(ID_EDIT_FIND) << "Ctrl+F";
        QTest::newRow("find next") << int(ID_EDIT_REPEAT) << "F3";
        QTest::newRow("find previous") << int(ID_EDIT_FIND_PREVIOUS) << "Shift+F3";
        QTest::newRow("replace") << int(ID_EDIT_REPLACE) << "Ctrl+H";
        QTest::newRow("go to line") << int(ID_EDIT_GOTO_LINE) << "Ctrl+G";
        QTest::newRow("run") << int(ID_RUN_OPTIMIZATION) << "F5";
        QTest::newRow("help") << int(ID_HELP) << "F1";
        QTest::newRow("context help") << int(ID_CONTEXT_HELP) << "Shift+F1";
        QTest::newRow("next pane") << int(ID_NEXT_PANE) << "F6";
        QTest::newRow("previous pane") << int(ID_PREV_PANE) << "Shift+F6";
    }
    void accelerators() {
        QFETCH(int, id);
        QFETCH(QString, keys);
        Start();
        QStringList shortcuts;
        for (const QKeySequence& key : app_->Window().Action(id)->shortcuts()) {
            shortcuts.append(key.toString());
        }
        QCOMPARE(shortcuts.join(QStringLiteral(", ")), keys);
    }

    void keysReachTheirCommands() {
        Start();
        Activate();
        QSignalSpy newFile(app_->Window().Action(ID_FILE_NEW), &QAction::triggered);
        QSignalSpy open(app_->Window().Action(ID_FILE_OPEN), &QAction::triggered);
        QTest::keyClick(&app_->Window(), Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(&app_->Window(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(newFile.count(), 1);
        QCOMPARE(open.count(), 1);

        // Shift+F1 enters the context-help mode and says so in the status bar.
        QTest::keyClick(&app_->Window(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QCOMPARE(app_->Window().statusBar()->currentMessage(), U("ﾍﾙﾌﾟを使用するｵﾌﾞｼﾞｪｸﾄを選択"));
        QWhatsThis::leaveWhatsThisMode();
        QVERIFY(!app_->Window().Action(ID_NEXT_PANE)->isEnabled());

        // Alt+Backspace undoes typing, like Ctrl+Z.
        app_->Editor().setFocus();
        Type(QStringLiteral("ab"));
        QTest::keyClick(&app_->Editor(), Qt::Key_Backspace, Qt::AltModifier);
        QVERIFY(app_->Editor().toPlainText().size() < 2);
    }

    void titleFollowsTheDocument() {
        Start();
        QCOMPARE(app_->Window().windowTitle(), U("無題 - KOVA"));
        WriteBytes(Path("net.kvf"), "END\r\n");
        QVERIFY(app_->OpenFile(Path("net.kvf")));
        QCOMPARE(app_->Window().windowTitle(), U("net.kvf - KOVA"));
        app_->NewFile();
        QCOMPARE(app_->Window().windowTitle(), U("無題 - KOVA"));
    }

    // Unchanged documents save back byte for byte, whatever their line ends.
    // The calculation reads them as they are, except UTF-8 ones, which it
    // reads in code page 932.
    void openSaveRoundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("read");
        QTest::newRow("CR LF") << QByteArray("TITLE a\r\nARC S T 0 0 1 5\r\nEND\r\n") << QByteArray();
        QTest::newRow("LF only") << QByteArray("TITLE a\nARC S T 0 0 1 5\nEND\n") << QByteArray();
        QTest::newRow("lone CR") << QByteArray("TITLE a\rEND") << QByteArray();
        QTest::newRow("not code page 932")
            << QByteArray("! \x80\xa0\xfd\xfe\xff \x81\x20 \x82\r\nEND\r\n\x81") << QByteArray();
        QTest::newRow("Japanese names") << QByteArray("ARC \x83\x69 \x93\x73 0 0 1 5\r\nEND") << QByteArray();
        // Valid UTF-8: the no-break space has no code page 932 form.
        QTest::newRow("no-break space and NUL")
            << QByteArray("A\xc2\xa0\x00Z\r\n", 7) << QByteArray("A?\x00Z\r\n", 6);
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void openSaveRoundTrip() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, read);
        WriteBytes(Path("in.kvf"), bytes);
        Start(Path("in.kvf"));
        QCOMPARE(QByteArray::fromStdString(app_->Editor().TextBytes()),
                 read.isEmpty() ? bytes : read);
        QVERIFY(app_->CurrentDocument().SaveFile(Path("out.kvf")));
        QCOMPARE(ReadBytes(Path("out.kvf")), bytes);
    }

    void editedLinesEndInCrLf() {
        WriteBytes(Path("in.kvf"), "TITLE a\nEND\n");
        Start(Path("in.kvf"));
        QTextCursor cursor(app_->Editor().document());
        cursor.movePosition(QTextCursor::End);
        app_->Editor().setTextCursor(cursor);
        Type(QStringLiteral("! \u8ca8\u7269"));  // 貨物
        QTest::keyClick(&app_->Editor(), Qt::Key_Return);
        Type(QStringLiteral("x"));
        QVERIFY(app_->CurrentDocument().IsModified());
        QVERIFY(app_->CurrentDocument().Save());
        QCOMPARE(ReadBytes(Path("in.kvf")),
                 QByteArray("TITLE a\r\nEND\r\n! \x89\xdd\x95\xa8\r\nx"));
        QVERIFY(!app_->CurrentDocument().IsModified());
        QVERIFY(prompts_->questions.isEmpty());
    }

    void unstorableCharactersAskFirst() {
        Start();
        Type(QStringLiteral("ARC \U0001F600"));
        prompts_->savePaths = {Path("emoji")};
        prompts_->yesNo = {false};
        QVERIFY(!app_->CurrentDocument().Save());
        QVERIFY(!QFile::exists(Path("emoji.kvf")));
        QCOMPARE(prompts_->questions.size(), 1);
        prompts_->savePaths = {Path("emoji")};
        prompts_->yesNo = {true};
        QVERIFY(app_->CurrentDocument().Save());
        // The default extension is added; the editor shows what was stored.
        QCOMPARE(ReadBytes(Path("emoji.kvf")), QByteArray("ARC ?"));
        QCOMPARE(app_->Editor().toPlainText(), QStringLiteral("ARC ?"));
        QVERIFY(!app_->CurrentDocument().IsModified());
        QCOMPARE(prompts_->saveSuggestions.first(), U("無題.kvf"));
    }

    void saveAsAndRecentFiles() {
        Start();
        for (const char* name : {"a.kvf", "b.kvf", "c.kvf", "d.kvf", "e.kvf"}) {
            WriteBytes(Path(name), QByteArray("END ") + name);
            QVERIFY(app_->OpenFile(Path(name)));
        }
        QStringList texts;
        for (QAction* action : app_->Window().RecentFileActions()) {
            texts.append(action->text().section(QLatin1Char(' '), 0, 0));
            QCOMPARE(action->statusTip(), U("指定のﾌｧｲﾙを開く"));
        }
        QCOMPARE(texts, QStringList({"&1", "&2", "&3", "&4"}));
        QCOMPARE(*store_->ReadString("Recent File List", "File1"), Path("e.kvf").toStdString());
        QCOMPARE(*store_->ReadString("Recent File List", "File4"), Path("b.kvf").toStdString());

        // A recent file opens from the menu.
        app_->Window().RecentFileActions().at(3)->trigger();
        QCOMPARE(app_->CurrentDocument().FilePath(), Path("b.kvf"));

        // Save as writes the same bytes under the new name and retitles.
        prompts_->savePaths = {Path("copy.kvf")};
        QVERIFY(app_->CurrentDocument().SaveAs());
        QCOMPARE(ReadBytes(Path("copy.kvf")), QByteArray("END b.kvf"));
        QCOMPARE(app_->Window().windowTitle(), U("copy.kvf - KOVA"));

        // A recent file that has gone is reported and dropped from the list.
        QFile::remove(Path("d.kvf"));
        QAction* gone = nullptr;
        for (QAction* action : app_->Window().RecentFileActions()) {
            if (action->text().endsWith(QStringLiteral("d.kvf"))) {
                gone = action;
            }
        }
        QVERIFY(gone != nullptr);
        gone->trigger();
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(app_->CurrentDocument().FilePath(), Path("copy.kvf"));
        for (QAction* action : app_->Window().RecentFileActions()) {
            QVERIFY(!action->text().endsWith(QStringLiteral("d.kvf")));
        }
    }

    void savePromptPaths() {
        Start();
        Type(QStringLiteral("END"));
        // Cancel keeps the text.
        prompts_->saveChoices = {gui::SaveChoice::Cancel};
        app_->NewFile();
        QCOMPARE(app_->Editor().toPlainText(), QStringLiteral("END"));
        QCOMPARE(prompts_->saveQuestions, QStringList({U("無題")}));
        // Discard empties it, also after a modification.
        prompts_->saveChoices = {gui::SaveChoice::Discard};
        app_->NewFile();
        QCOMPARE(app_->Editor().toPlainText(), QString());
        QVERIFY(!app_->CurrentDocument().IsModified());
        // Save asks for a name first; cancelling that keeps everything.
        Type(QStringLiteral("END"));
        prompts_->saveChoices = {gui::SaveChoice::Save};
        app_->NewFile();
        QCOMPARE(app_->Editor().toPlainText(), QStringLiteral("END"));
        prompts_->saveChoices = {gui::SaveChoice::Save};
        prompts_->savePaths = {Path("kept.kvf")};
        app_->NewFile();
        QCOMPARE(ReadBytes(Path("kept.kvf")), QByteArray("END"));
        QCOMPARE(app_->Editor().toPlainText(), QString());

        // Opening asks too; so does closing the window.
        Type(QStringLiteral("X"));
        prompts_->saveChoices = {gui::SaveChoice::Cancel};
        prompts_->openPaths = {Path("kept.kvf")};
        app_->Open();
        QCOMPARE(app_->Editor().toPlainText(), QStringLiteral("X"));
        QCOMPARE(prompts_->openPaths.size(), 1);  // no file dialog after a cancel
        prompts_->saveChoices = {gui::SaveChoice::Cancel};
        QVERIFY(!app_->Window().close());
        QVERIFY(app_->Window().isVisible());
        prompts_->saveChoices = {gui::SaveChoice::Discard};
        QVERIFY(app_->Window().close());
    }

    void openFailuresChangeNothing() {
        WriteBytes(Path("good.kvf"), "END");
        Start(Path("good.kvf"));
        QVERIFY(!app_->OpenFile(Path("missing.kvf")));
        QVERIFY(!app_->OpenFile(dir_->path()));
        WriteBytes(Path("locked.kvf"), "X");
        QFile::setPermissions(Path("locked.kvf"), QFileDevice::Permissions());
        if (ReadBytes(Path("locked.kvf")) == "<unreadable>") {  // root reads everything
            QVERIFY(!app_->OpenFile(Path("locked.kvf")));
        }
        QVERIFY(prompts_->messages.size() >= 2);
        QVERIFY(prompts_->messages.first().text.contains(Path("missing.kvf")));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Stop);
        QCOMPARE(app_->Editor().toPlainText(), QStringLiteral("END"));
        QCOMPARE(app_->CurrentDocument().FilePath(), Path("good.kvf"));

        // A save that cannot be written leaves the document modified.
        Type(QStringLiteral("!"));
        QVERIFY(!app_->CurrentDocument().SaveFile(Path("no/such/folder/x.kvf")));
        QVERIFY(app_->CurrentDocument().IsModified());
        QCOMPARE(app_->CurrentDocument().FilePath(), Path("good.kvf"));
    }

    void saveOnAFullDiskKeepsTheOldFile() {
        const testing::FullDisk disk(Path("full").toStdString());
        if (!disk.Mounted()) {
            QSKIP("a small tmpfs cannot be mounted here (needs root)");
        }
        const QString path = Path("full/plan.kvf");
        WriteBytes(path, "TITLE plan\r\nEND\r\n");
        Start(path);
        disk.Fill();
        Type(QStringLiteral("!"));
        QVERIFY(!app_->CurrentDocument().Save());
        QCOMPARE(ReadBytes(path), QByteArray("TITLE plan\r\nEND\r\n"));
        QVERIFY(app_->CurrentDocument().IsModified());
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text,
                 U("%1 に保存できません。\n%2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(ENOSPC))));
    }

    void longLinesAreShownReadOnly() {
        const QByteArray bytes = "ARC S A 0 0 1 10\r\n!" +
                                 QByteArray(EditorView::kLongestEditedLine + 1, 'x') +
                                 "\r\nEND\r\n";
        WriteBytes(Path("long.kvf"), bytes);
        Start(Path("long.kvf"));
        QVERIFY(app_->Editor().isReadOnly());
        QVERIFY(app_->Editor().document()->blockCount() > 4);  // the long line in pieces
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Information);
        Type(QStringLiteral("y"));
        QVERIFY(!app_->CurrentDocument().IsModified());
        QCOMPARE(QByteArray::fromStdString(app_->Editor().TextBytes()), bytes);
        QVERIFY(app_->CurrentDocument().SaveFile(Path("copy.kvf")));
        QCOMPARE(ReadBytes(Path("copy.kvf")), bytes);
        // Ordinary lines are edited again.
        WriteBytes(Path("short.kvf"), "END");
        QVERIFY(app_->OpenFile(Path("short.kvf")));
        QVERIFY(!app_->Editor().isReadOnly());
    }

    void startWithUnreadableFileFails() {
        Application app(*store_, *prompts_, InstanceName());
        QCOMPARE(app.Start(Path("missing.kvf")), Application::StartResult::Failed);
        QCOMPARE(prompts_->messages.size(), 1);
    }

    void droppedFileOpens() {
        Start();
        WriteBytes(Path("dropped.kvf"), "TITLE dropped\r\nEND\r\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Path("dropped.kvf"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app_->Editor().viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app_->Editor().viewport(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        // The file opens once the drop has finished.
        QCOMPARE(app_->CurrentDocument().FilePath(), QString());
        QTRY_COMPARE(app_->CurrentDocument().FilePath(), Path("dropped.kvf"));
        QCOMPARE(app_->Editor().toPlainText(), QStringLiteral("TITLE dropped\nEND\n"));

        // Onto the main window itself as well, with the save prompt first.
        Type(QStringLiteral("x"));
        WriteBytes(Path("second.kvf"), "END");
        mime.setUrls({QUrl::fromLocalFile(Path("second.kvf"))});
        prompts_->saveChoices = {gui::SaveChoice::Discard};
        QDragEnterEvent enterWindow(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton,
                                    Qt::NoModifier);
        QApplication::sendEvent(&app_->Window(), &enterWindow);
        QVERIFY(enterWindow.isAccepted());
        QDropEvent onWindow(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&app_->Window(), &onWindow);
        QTRY_COMPARE(app_->CurrentDocument().FilePath(), Path("second.kvf"));
        QCOMPARE(prompts_->saveQuestions.size(), 1);
    }

    void singleInstanceHandsOver() {
        Start();
        WriteBytes(Path("handed.kvf"), "TITLE handed\r\nEND\r\n");
        const QString name = InstanceName();
        SingleInstance first(name);
        QVERIFY(first.Listen());
        QSignalSpy requests(&first, &SingleInstance::FileRequested);
        // The second start runs in its own thread: the first must keep answering.
        auto handed = std::async(std::launch::async, [name, this] {
            return SingleInstance(name).HandOver(Path("handed.kvf"));
        });
        QTRY_COMPARE(requests.count(), 1);
        QVERIFY(handed.get());
        QCOMPARE(requests.first().first().toString(), Path("handed.kvf"));

        // The running application opens a handed file, asking to save first.
        Type(QStringLiteral("x"));
        prompts_->saveChoices = {gui::SaveChoice::Discard};
        emit app_->Instance().FileRequested(Path("handed.kvf"));
        QCOMPARE(app_->CurrentDocument().FilePath(), Path("handed.kvf"));
        QCOMPARE(prompts_->saveQuestions.size(), 1);

        // A file handed over while a dialog is open waits for the dialog.
        WriteBytes(Path("later.kvf"), "END");
        QDialog dialog(&app_->Window());
        QTimer::singleShot(0, &dialog, [&] {
            emit app_->Instance().FileRequested(Path("later.kvf"));
            QCOMPARE(app_->CurrentDocument().FilePath(), Path("handed.kvf"));
            dialog.accept();
        });
        dialog.exec();
        QTRY_COMPARE(app_->CurrentDocument().FilePath(), Path("later.kvf"));

        // A stale socket left by a dead instance does not block the next one.
        SingleInstance nobody(InstanceName());
        QVERIFY(!nobody.HandOver(Path("handed.kvf"), 200));
    }

    void startWithFileWhileOneRunsHandsItOver() {
        Start();
        const QString name = dir_->filePath(QStringLiteral("shared"));
        SingleInstance running(name);
        QVERIFY(running.Listen());
        QSignalSpy requests(&running, &SingleInstance::FileRequested);
        WriteBytes(Path("x.kvf"), "END");
        auto result = std::async(std::launch::async, [&] {
            // Only the socket side runs here; no window is built.
            return SingleInstance(name).HandOver(Path("x.kvf"));
        });
        QTRY_COMPARE(requests.count(), 1);
        QVERIFY(result.get());
    }

    void placementFirstRunAndWrite() {
        Start();
        QCOMPARE(app_->Window().geometry(), QRect(10, 10, 790, 590));
        QCOMPARE(app_->Window().windowState(), Qt::WindowNoState);
        app_->Window().setGeometry(QRect(-8, 20, 600, 400));
        QVERIFY(app_->Window().close());
        QCOMPARE(*store_->ReadString("Window size", "Rect"), std::string("-008 0020 0592 0420"));
        QCOMPARE(store_->ReadInt("Window size", "icon", -1), 0);
        QCOMPARE(store_->ReadInt("Window size", "max", -1), 0);
        QVERIFY(store_->ReadString("Bar State", "State").has_value());

        // The next start puts it back exactly.
        app_.reset();
        Start();
        QCOMPARE(app_->Window().geometry(), QRect(-8, 20, 600, 400));
    }

    void placementStates_data() {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("state");
        QTest::newRow("normal") << 0 << 0 << int(Qt::WindowNoState);
        QTest::newRow("maximised") << 0 << 1 << int(Qt::WindowMaximized);
        QTest::newRow("minimised") << 1 << 0 << int(Qt::WindowMinimized);
        QTest::newRow("minimised from maximised")
            << 1 << 1 << int(Qt::WindowMinimized | Qt::WindowMaximized);
    }
    void placementStates() {
        QFETCH(int, icon);
        QFETCH(int, max);
        QFETCH(int, state);
        store_->WriteString("Window size", "Rect", "0100 0050 0700 0450");
        store_->WriteInt("Window size", "icon", icon);
        store_->WriteInt("Window size", "max", max);
        Start();
        QCOMPARE(int(app_->Window().windowState()), state);
        QCOMPARE(app_->Window().normalGeometry(), QRect(100, 50, 600, 400));
        // Later activations show the asked state.
        app_->Window().Activate(Qt::WindowNoState);
        QCOMPARE(app_->Window().windowState(), Qt::WindowNoState);
        app_->Window().setWindowState(Qt::WindowStates(state));
        QVERIFY(app_->Window().close());
        QCOMPARE(store_->ReadInt("Window size", "icon", -1), icon);
        QCOMPARE(store_->ReadInt("Window size", "max", -1), max);
    }

    void rectText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("rect");  // null: the default is used
        QTest::newRow("plain") << "0010 0010 0800 0600" << QRect(10, 10, 790, 590);
        QTest::newRow("negative") << "-008 -008 1032 0776" << QRect(-8, -8, 1040, 784);
        QTest::newRow("wide field") << "10000 010 0800 0600" << QRect();
        QTest::newRow("too short") << "0010 0010 0800" << QRect();
        QTest::newRow("garbage") << "abcd efgh ijkl mnop" << QRect();
        QTest::newRow("empty area") << "0100 0100 0100 0600" << QRect();
    }
    void rectText() {
        QFETCH(QString, text);
        QFETCH(QRect, rect);
        const auto parsed = MainWindow::ParseRect(text.toStdString());
        QCOMPARE(parsed.has_value(), !rect.isNull());
        if (parsed) {
            QCOMPARE(*parsed, rect);
            QCOMPARE(QString::fromStdString(MainWindow::FormatRect(rect)), text);
        }
    }

    void barStateIsRestored() {
        Start();
        app_->Window().Action(ID_VIEW_STATUS_BAR)->trigger();
        app_->Window().Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(app_->Window().statusBar()->isHidden());
        QVERIFY(app_->Window().close());
        app_.reset();
        Start();
        QVERIFY(app_->Window().statusBar()->isHidden());
        QVERIFY(app_->Window().ToolBar()->isHidden());
        QVERIFY(!app_->Window().Action(ID_VIEW_STATUS_BAR)->isChecked());
        QVERIFY(!app_->Window().Action(ID_VIEW_TOOLBAR)->isChecked());
    }

    void aboutBox() {
        Start();
        QStringList texts;
        QTimer::singleShot(0, [&texts] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            texts.append(box->windowTitle());
            if (auto* version = box->findChild<QLabel*>("VersionText")) {
                texts.append(version->text());
            }
            box->findChild<QPushButton*>()->click();
            if (box->isVisible()) {
                box->reject();
            }
        });
        app_->Window().Action(ID_APP_ABOUT)->trigger();
        QCOMPARE(texts, QStringList({U("KOVAのﾊﾞｰｼﾞｮﾝ情報"), "KOVA Version 3.1.0.1"}));
    }

    void homePageAndManual() {
        Start();
        Activate();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        app_->Window().Action(ID_AUTHOR_HOMEPAGE)->trigger();
        app_->Window().Action(ID_HELP_FINDER)->trigger();
        QTest::keyClick(&app_->Window(), Qt::Key_F1);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 3);
        QCOMPARE(catcher.urls.at(0).scheme(), QStringLiteral("https"));
        QVERIFY(catcher.urls.at(1).toLocalFile().endsWith(QStringLiteral("manual/index.html")));
        QCOMPARE(catcher.urls.at(2), catcher.urls.at(1));
    }

    void editorWrapsWithoutHorizontalBar() {
        Start();
        QCOMPARE(app_->Editor().lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(app_->Editor().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        Type(QString(300, QLatin1Char('A')));
        QCOMPARE(app_->Editor().TextBytes(), std::string(300, 'A'));
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
