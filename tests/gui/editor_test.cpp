// The editor driven through its keys, offscreen: line numbers and the
// cursor pane, go to line, find and replace, redo, the data language's
// colours, marks of a run and of the check while typing, UTF-8 files.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <memory>

#include "app/application.h"
#include "app/command_table.h"
#include "app/data_highlighter.h"
#include "app/document.h"
#include "app/editor_view.h"
#include "app/find_bar.h"
#include "app/main_window.h"
#include "app/run_commands.h"
#include "app/typing_check.h"
#include "dialogs/settings_dialog.h"
#include "gui/file_bytes.h"
#include "gui/let_close.h"
#include "gui/scripted_prompts.h"
#include "settings/settings_store.h"
#include "text/clock.h"

using namespace kova;
using namespace kova::app;
using kova::testing::ReadBytes;
using kova::testing::U;
using kova::testing::WriteBytes;

using Kind = DataHighlighter::Kind;

class EditorTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<MemorySettingsStore> store_;
    std::unique_ptr<testing::ScriptedPrompts> prompts_;
    std::unique_ptr<RunCommands> commands_;
    std::unique_ptr<FixedClock> clock_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<QTemporaryDir> dir_;

    QString Path(const char* name) const { return dir_->filePath(QString::fromUtf8(name)); }
    EditorView& Editor() { return app_->Editor(); }
    QWidget& Window() { return app_->Window(); }

    void Start(const QString& file = QString()) {
        app_ = std::make_unique<Application>(*store_, *prompts_,
                                             dir_->filePath(QStringLiteral("instance")));
        app_->SetCalculationCommands(commands_.get());
        QCOMPARE(app_->Start(file), Application::StartResult::Running);
        QApplication::setActiveWindow(&Window());
        QVERIFY(QTest::qWaitForWindowActive(&Window()));
        Editor().setFocus();
    }
    void Open(const QByteArray& bytes) {
        WriteBytes(Path("in.kvf"), bytes);
        Start(Path("in.kvf"));
    }
    // Keys go to whichever widget has the focus, as a person's do; a
    // dialog that closed leaves the window to be activated again.
    QWidget* Focus() {
        if (QApplication::activeWindow() == nullptr) {
            QApplication::setActiveWindow(&Window());
        }
        return QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &Window();
    }
    void Keys(const QString& text) { QTest::keyClicks(Focus(), text); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Focus(), key, modifiers);
    }
    int CursorLine() { return Editor().textCursor().blockNumber() + 1; }
    QList<int> MarkedLines() {
        QList<int> lines;
        for (const LineMark& mark : Editor().Marks()) {
            lines.append(mark.line);
        }
        return lines;
    }

  private slots:
    void init() {
        store_ = std::make_unique<MemorySettingsStore>();
        prompts_ = std::make_unique<testing::ScriptedPrompts>();
        commands_ = std::make_unique<RunCommands>(*store_, *prompts_);
        clock_ = std::make_unique<FixedClock>(DateTime{2026, 12, 8, 9, 0, 0});
        commands_->SetClock(clock_.get());
        commands_->SetLocaleCheck([] { return true; });
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        if (app_) {
            testing::LetClose(*app_);
        }
        app_.reset();
        commands_.reset();
    }

    // Ctrl+G to line 3, a line typed there, Ctrl+S: only the edited text
    // changes and every line ends in CR LF.
    void goToLineThenTypeAndSave() {
        Open("TITLE t\r\nARC S A 0 0 1 5\r\nEND\r\n");
        QVERIFY(Editor().LineNumberArea()->isVisible());
        QCOMPARE(Editor().viewport()->x(), Editor().LineNumberArea()->geometry().right() + 1);
        prompts_->lines = {3};
        Key(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(prompts_->lineQuestions, (QList<QPair<int, int>>{{1, 4}}));
        QCOMPARE(CursorLine(), 3);
        Keys(QStringLiteral("ARC A S 0 0 1 5"));
        Key(Qt::Key_Return);
        QCOMPARE(app_->Window().CursorPane()->text(), U("4 行、1 列"));
        Key(Qt::Key_End);
        QCOMPARE(app_->Window().CursorPane()->text(), U("4 行、4 列"));
        // Cancelled, the cursor stays.
        Key(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(CursorLine(), 4);
        Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(Path("in.kvf")),
                 QByteArray("TITLE t\r\nARC S A 0 0 1 5\r\nARC A S 0 0 1 5\r\nEND\r\n"));
    }

    // Ctrl+F, Return, F3 and Shift+F3 round the text; Ctrl+H replaces one
    // and then all, which Ctrl+Z takes back in one step and Ctrl+Y redoes.
    void findAndReplaceThenSave() {
        Open("arc S A 0 0 1 5\nARC A B 0 0 1 5\nARC B S 0 0 1 5\nEND\n");
        FindBar& bar = app_->Find();
        Key(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar.isVisible());
        QCOMPARE(QApplication::focusWidget(), bar.FindEdit());
        Keys(QStringLiteral("ARC"));
        Key(Qt::Key_Return);
        QCOMPARE(CursorLine(), 1);  // any letter case unless asked
        Key(Qt::Key_F3);
        QCOMPARE(CursorLine(), 2);
        Key(Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(CursorLine(), 1);
        Key(Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(CursorLine(), 3);
        QCOMPARE(bar.Notice()->text(), U("末尾から検索しました。"));
        bar.CaseBox()->setChecked(true);
        Key(Qt::Key_F3);
        QCOMPARE(CursorLine(), 2);
        bar.FindEdit()->setText(QStringLiteral("QQ"));
        Key(Qt::Key_F3);
        QCOMPARE(bar.Notice()->text(), U("「QQ」が見つかりません。"));
        Key(Qt::Key_Escape);
        QVERIFY(!bar.isVisible());
        QCOMPARE(QApplication::focusWidget(), &Editor());

        // Replace the node B where the cursor finds it, then every A.
        Editor().moveCursor(QTextCursor::Start);
        Key(Qt::Key_H, Qt::ControlModifier);
        QVERIFY(bar.ReplaceEdit()->isVisible());
        bar.FindEdit()->clear();
        Keys(QStringLiteral(" B "));
        Key(Qt::Key_Tab);  // to the replacement
        QCOMPARE(QApplication::focusWidget(), bar.ReplaceEdit());
        Keys(QStringLiteral(" C "));
        Key(Qt::Key_Return);  // finds the first
        Key(Qt::Key_Return);  // replaces it and finds the next
        QCOMPARE(Editor().toPlainText(),
                 QStringLiteral("arc S A 0 0 1 5\nARC A C 0 0 1 5\nARC B S 0 0 1 5\nEND\n"));
        bar.FindEdit()->setText(QStringLiteral("A"));
        bar.ReplaceEdit()->setText(QStringLiteral("AA"));
        Key(Qt::Key_A, Qt::AltModifier);  // すべて置換(&A), which clicks a moment later
        QTRY_COMPARE(bar.Notice()->text(), U("4 個置換しました。"));
        Key(Qt::Key_Escape);
        QCOMPARE(Editor().toPlainText(),
                 QStringLiteral("arc S AA 0 0 1 5\nAARC AA C 0 0 1 5\nAARC B S 0 0 1 5\nEND\n"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Editor().toPlainText(),
                 QStringLiteral("arc S A 0 0 1 5\nARC A C 0 0 1 5\nARC B S 0 0 1 5\nEND\n"));
        QVERIFY(app_->Window().Action(ID_EDIT_REDO)->isEnabled());
        Key(Qt::Key_Y, Qt::ControlModifier);
        Key(Qt::Key_Z, Qt::ControlModifier);
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(Path("in.kvf")),
                 QByteArray("arc S AA 0 0 1 5\r\nAARC AA C 0 0 1 5\r\nAARC B S 0 0 1 5\r\nEND\r\n"));
    }

    // The reader stops at the first error: F5 marks it after the message box
    // and puts the cursor there; once that line is mended the next F5 marks
    // the second. Editing a marked line or running again takes marks away.
    void runMarksTheLinesInError() {
        Open("TITLE two-errors\r\n! first the bounds, then a name\r\nARC S A 0 0 1 5\r\n"
             "ARC A S 9 0 1 3\r\nARC S VERYLONGNAME 0 0 1 5\r\nEND\r\n");
        app_->Checker().SetEnabled(false);
        int lineAtMessage = -1;
        prompts_->onMessage = [&](const QString&) { lineAtMessage = CursorLine(); };
        Key(Qt::Key_F5);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text, U("エラー発生 !!\r\n詳細は計算経過一覧をご参照ください"));
        QCOMPARE(lineAtMessage, 1);  // the cursor moves after the box
        QCOMPARE(MarkedLines(), QList<int>{4});
        QCOMPARE(CursorLine(), 4);
        QCOMPARE(Editor().MarkText(4),
                 U("Line 4 : 上下限の値の与え方が矛盾している。(下限 =  9　　上限 =  3 )"));
        // Lines typed above carry the mark along; the marked line edited drops it.
        Editor().moveCursor(QTextCursor::Start);
        Key(Qt::Key_Return);
        QCOMPARE(MarkedLines(), QList<int>{5});
        prompts_->lines = {5};
        Key(Qt::Key_G, Qt::ControlModifier);
        Key(Qt::Key_End);
        Key(Qt::Key_Backspace);
        Keys(QStringLiteral("30"));
        QVERIFY(MarkedLines().isEmpty());

        Key(Qt::Key_F5);
        QCOMPARE(MarkedLines(), QList<int>{6});
        QCOMPARE(CursorLine(), 6);
        QVERIFY(Editor().MarkText(6).startsWith(QStringLiteral("Line 6 : ")));
        QCOMPARE(Editor().extraSelections().size(), 1);
        QCOMPARE(Editor().extraSelections().first().cursor.blockNumber(), 5);

        // A run that starts clears the marks even when it finds nothing.
        QTextCursor line(Editor().document()->findBlockByNumber(5));
        line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        line.insertText(QStringLiteral("ARC S B 0 0 1 5"));
        Editor().SetMarks(EditorView::MarkKind::Run, {{2, QStringLiteral("old")}});
        Key(Qt::Key_F5);
        QVERIFY(MarkedLines().isEmpty());
        QVERIFY(Editor().extraSelections().isEmpty());
    }

    // A moment after typing stops the reader marks the line it refuses;
    // the settings dialog turns the check off, and the choice is stored.
    void errorsWhileTyping() {
        Open("ARC S A 0 0 1 5\r\nEND\r\n");
        QVERIFY(app_->Checker().IsEnabled());
        QVERIFY(!app_->Checker().IsPending());  // opening is no typing
        Editor().moveCursor(QTextCursor::Start);
        Keys(QStringLiteral("ARC A S 7 0 1 2 "));
        QVERIFY(app_->Checker().IsPending());
        QVERIFY(MarkedLines().isEmpty());  // not while typing
        QTRY_COMPARE(MarkedLines(), QList<int>{1});
        QVERIFY(Editor().MarkText(1).contains(U("下限 =  7")));
        Key(Qt::Key_Home);
        Key(Qt::Key_Delete);
        QVERIFY(MarkedLines().isEmpty());  // the line is edited
        QTRY_COMPARE(MarkedLines(), QList<int>{1});  // "RC" is no statement

        QTimer::singleShot(0, this, [] {
            auto* dialog = qobject_cast<dialogs::SettingsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QVERIFY(dialog->CheckWhileTypingBox()->isChecked());
            dialog->CheckWhileTypingBox()->setChecked(false);
            dialog->accept();
        });
        app_->Window().Action(ID_INIT_SETTINGS)->trigger();
        QVERIFY(!app_->Checker().IsEnabled());
        QCOMPARE(store_->ReadInt("Editor", "CheckWhileTyping", 1), 0);
        QVERIFY(MarkedLines().isEmpty());
        Editor().setFocus();
        Keys(QStringLiteral("x"));
        QVERIFY(!app_->Checker().IsPending());

        // The next start reads the stored choice.
        cleanup();
        commands_ = std::make_unique<RunCommands>(*store_, *prompts_);
        Start();
        QVERIFY(!app_->Checker().IsEnabled());
    }

    // UTF-8 files show their characters, the calculation reads the same
    // problem as from code page 932, and they save back in UTF-8 (BOM kept)
    // unless Save As chooses code page 932. A file that is neither opens
    // with a notice and keeps its bytes.
    void fileEncodings_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("choice");  // -1: Ctrl+S, else Save As in this encoding
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray utf8 = "ARC \xe5\x80\x89 \xe5\xba\x97 0 0 1 5\nEND\n";  // 倉 店
        const QByteArray cp932 = "ARC \x91\x71 \x93\x58 0 0 1 5\nEND\n";
        const QByteArray bom = "\xef\xbb\xbf";
        QTest::newRow("UTF-8") << utf8 << -1 << U("UTF-8")
                               << QByteArray("! \xe5\x80\x89\r\nARC \xe5\x80\x89 \xe5\xba\x97 0 0 "
                                             "1 5\r\nEND\r\n");
        QTest::newRow("UTF-8 with BOM") << bom + utf8 << -1 << U("UTF-8 (BOM 付き)")
                                        << bom + "! \xe5\x80\x89\r\nARC \xe5\x80\x89 \xe5\xba\x97 "
                                                 "0 0 1 5\r\nEND\r\n";
        QTest::newRow("UTF-8 saved as 932")
            << utf8 << int(FileEncoding::Cp932) << U("UTF-8")
            << QByteArray("! \x91\x71\r\nARC \x91\x71 \x93\x58 0 0 1 5\r\nEND\r\n");
        QTest::newRow("932 saved as UTF-8")
            << cp932 << int(FileEncoding::Utf8) << U("Shift_JIS")
            << QByteArray("! \xe5\x80\x89\r\nARC \xe5\x80\x89 \xe5\xba\x97 0 0 1 5\r\nEND\r\n");
    }
    void fileEncodings() {
        QFETCH(QByteArray, file);
        QFETCH(int, choice);
        QFETCH(QString, pane);
        QFETCH(QByteArray, saved);
        Open(file);
        QCOMPARE(app_->Window().EncodingPane()->text(), pane);
        QCOMPARE(Editor().document()->firstBlock().text(), U("ARC 倉 店 0 0 1 5"));
        QCOMPARE(QByteArray::fromStdString(Editor().TextBytes()),
                 QByteArray("ARC \x91\x71 \x93\x58 0 0 1 5\nEND\n"));
        QVERIFY(app_->CurrentDocument().SaveFile(Path("same.kvf")));
        QCOMPARE(ReadBytes(Path("same.kvf")), file);

        Editor().moveCursor(QTextCursor::Start);
        Editor().insertPlainText(U("! 倉"));
        Key(Qt::Key_Return);
        if (choice < 0) {
            Key(Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(ReadBytes(Path("same.kvf")), saved);
            return;
        }
        prompts_->savePaths = {Path("other.kvf")};
        prompts_->saveEncodings = {static_cast<FileEncoding>(choice)};
        QVERIFY(app_->CurrentDocument().SaveAs());
        QCOMPARE(ReadBytes(Path("other.kvf")), saved);
        QCOMPARE(app_->Window().EncodingPane()->text(),
                 choice == int(FileEncoding::Utf8) ? U("UTF-8") : U("Shift_JIS"));
        QVERIFY(prompts_->messages.isEmpty());
    }

    void neitherEncodingOpensWithANotice() {
        const QByteArray bytes("! \x80\xa0\xe5\x80 \r\nEND\r\n");
        Open(bytes);
        QVERIFY(app_->Window().statusBar()->currentMessage().contains(
            U("Shift_JIS としても UTF-8 としても読めない")));
        QCOMPARE(QByteArray::fromStdString(Editor().TextBytes()), bytes);
        prompts_->savePaths = {Path("out.kvf")};
        QVERIFY(app_->CurrentDocument().SaveAs());
        QCOMPARE(prompts_->offeredEncodings, QList<FileEncoding>{FileEncoding::Unknown});
        QCOMPARE(ReadBytes(Path("out.kvf")), bytes);
    }

    // Read as '?', two names would be one node: such a character stops the
    // run before it starts, with its line, in UTF-8 files and typed alike.
    void charactersWithoutCp932FormStopTheRun() {
        Open("ARC S A\xf0\x9f\x98\x80 0 0 1 5\nARC A\xf0\x9f\x98\x80 S 0 0 1 5\n"
             "ARC A\xf0\x9f\x98\x83 S 0 0 1 5\nEND\n");
        QCOMPARE(Editor().Encoding(), FileEncoding::Utf8);
        Editor().moveCursor(QTextCursor::End);
        Key(Qt::Key_F5);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text,
                 U("1 行目の「😀」は Shift_JIS (ｺｰﾄﾞ ﾍﾟｰｼﾞ 932) で表せない文字のため、計算できません。"));
        QCOMPARE(CursorLine(), 1);
        QVERIFY(commands_->Results().runList.empty());

        // The same typed into a code page 932 text.
        Open("ARC S A 0 0 1 5\r\nEND\r\n");
        prompts_->lines = {2};
        Key(Qt::Key_G, Qt::ControlModifier);
        Editor().insertPlainText(QStringLiteral("! \u00e9\r\n"));
        Key(Qt::Key_F5);
        QCOMPARE(prompts_->messages.size(), 2);
        QVERIFY(prompts_->messages.last().text.startsWith(U("2 行目の「é」")));
    }

    // What each token is, in a text with every kind; node names spelt like
    // statements stay names.
    void highlighting_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("kind");
        QTest::newRow("TITLE") << 0 << 0 << int(Kind::Statement);
        QTest::newRow("title text") << 0 << 7 << int(Kind::Title);
        QTest::newRow("comment") << 1 << 3 << int(Kind::Comment);
        QTest::newRow("arc in small letters") << 2 << 1 << int(Kind::Statement);
        QTest::newRow("node named END") << 2 << 5 << int(Kind::Plain);
        QTest::newRow("node named Arc") << 2 << 9 << int(Kind::Plain);
        QTest::newRow("number") << 2 << 12 << int(Kind::Number);
        QTest::newRow("number in exponent form") << 2 << 16 << int(Kind::Number);
        QTest::newRow("comment after values") << 2 << 27 << int(Kind::Comment);
        QTest::newRow("more pieces") << 3 << 3 << int(Kind::Number);
        QTest::newRow("End") << 4 << 1 << int(Kind::Statement);
        QTest::newRow("after END on its line") << 4 << 5 << int(Kind::AfterEnd);
        QTest::newRow("lines after END") << 5 << 0 << int(Kind::AfterEnd);
    }
    void highlighting() {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(int, kind);
        Open("TITLE  plan\n! ARC 5\narc END Arc 0 1.5e-3 1 9 ! x\n   7 2 20\nEnd here\nARC S A\n");
        const QTextBlock block = Editor().document()->findBlockByNumber(line);
        QCOMPARE(int(Editor().Highlighter()->KindAt(block, column)), kind);
        QTRY_VERIFY(!block.layout()->formats().isEmpty());
    }
};

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
