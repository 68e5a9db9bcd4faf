// The run, results and settings commands with their dialogs, offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/editor_view.h"
#include "app/run_commands.h"
#include "dialogs/results_dialog.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/status_dialog.h"
#include "gui/scripted_prompts.h"
#include "platform/qt_settings_store.h"
#include "text/cp932.h"
#include "text/date_time.h"

using namespace kova;
using namespace kova::app;
using namespace kova::dialogs;

namespace {

std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<missing>");
}

QString U(const char* text) {
    return QString::fromUtf8(text);
}
QString FromCp932(const std::string& bytes) {
    return QString::fromStdString(Cp932ToUtf8(bytes));
}

const DateTime kFixedTime{2026, 12, 7, 9, 30, 0};

// Closes a dialog that a failed check left open, so the test ends.
struct CloseWhenDone {
    QDialog* dialog;
    ~CloseWhenDone() {
        if (dialog->isVisible()) {
            dialog->reject();
        }
    }
};

// Hands each dialog to the test just before it runs.
class WatchedRunCommands final : public RunCommands {
  public:
    using RunCommands::RunCommands;
    std::function<void(QDialog&)> onDialog;

  protected:
    int ExecDialog(QDialog& dialog) override {
        if (onDialog) {
            onDialog(dialog);
        }
        return RunCommands::ExecDialog(dialog);
    }
};

}  // namespace

class RunDialogsTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QtSettingsStore> store_;
    std::unique_ptr<testing::ScriptedPrompts> prompts_;
    std::unique_ptr<EditorView> view_;
    std::unique_ptr<WatchedRunCommands> commands_;
    std::unique_ptr<FixedClock> clock_;

    void Load(const QString& path) { view_->SetTextBytes(ReadFile(path)); }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        store_ = std::make_unique<QtSettingsStore>(dir_->filePath(QStringLiteral("KOVA.ini")));
        prompts_ = std::make_unique<testing::ScriptedPrompts>();
        view_ = std::make_unique<EditorView>();
        commands_ = std::make_unique<WatchedRunCommands>(*store_, *prompts_);
        clock_ = std::make_unique<FixedClock>(kFixedTime);
        commands_->SetClock(clock_.get());
        commands_->SetLocaleCheck([] { return true; });
    }
    void cleanup() {
        commands_.reset();
        view_.reset();
        store_.reset();
    }

    void runCommandFollowsTheLocale() {
        // Run under LANG=ja_JP.UTF-8 and LANG=C.UTF-8 by the test list.
        const bool japanese = qEnvironmentVariable("LANG").startsWith(QStringLiteral("ja"));
        QCOMPARE(RunCommands::JapaneseLocale(), japanese);
        commands_->SetLocaleCheck(&RunCommands::JapaneseLocale);
        commands_->Results().runList = "previous";
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->RunOptimization(*view_);
        if (japanese) {
            QVERIFY(commands_->Results().runList != "previous");
            return;
        }
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text,
                 QStringLiteral("It can't run with it except for Japanese environment"));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Stop);
        QCOMPARE(commands_->Results().runList, std::string("previous"));
    }

    void emptyTextIsRefused() {
        commands_->Results() = {"earlier run\r\n", "earlier solution"};
        commands_->RunOptimization(*view_);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text, U("エラー!　入力データがありません"));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Stop);
        QCOMPARE(FromCp932(commands_->Results().runList),
                 U("earlier run\r\nエラー!　入力データがありません\r\n"));
        QCOMPARE(commands_->Results().solution, std::string("earlier solution"));
    }

    // The application's texts are the command-line solver's, byte for byte.
    void fullRunEqualsTheCommandLine_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"sample", "fixed-charge", "jump-down", "infeasible"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void fullRunEqualsTheCommandLine() {
        QFETCH(QString, name);
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/%1.kvf").arg(name));
        QStringList fieldsAtEnd;
        QDialog* seen = nullptr;
        commands_->onDialog = [&seen](QDialog& dialog) { seen = &dialog; };
        prompts_->onMessage = [&](const QString&) {
            auto* status = qobject_cast<StatusDialog*>(seen);
            QVERIFY(status != nullptr && status->isVisible());
            for (const LiveField field : kLiveFields) {
                fieldsAtEnd.append(status->Field(field)->text());
            }
        };
        commands_->RunOptimization(*view_);
        const QString golden = QStringLiteral(KOVA_GOLDEN_DIR "/cli/%1").arg(name);
        QCOMPARE(commands_->Results().runList, ReadFile(golden + QStringLiteral(".runlist")));
        QCOMPARE(commands_->Results().solution, ReadFile(golden + QStringLiteral(".solution")));
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Information);
        QCOMPARE(fieldsAtEnd.size(), 6);
        QCOMPARE(fieldsAtEnd.at(4), QStringLiteral("00:00:00"));  // the clock stands still
        if (name == QLatin1String("infeasible")) {
            QCOMPARE(fieldsAtEnd.at(0), U("実行不可能"));
        } else {
            QCOMPARE(fieldsAtEnd.at(0), U("実行可能"));
        }
    }

    void dataErrorLeavesTheFields() {
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/data-error.kvf"));
        QDialog* seen = nullptr;
        commands_->onDialog = [&seen](QDialog& dialog) { seen = &dialog; };
        QStringList fields;
        prompts_->onMessage = [&](const QString&) {
            for (const LiveField field : kLiveFields) {
                fields.append(static_cast<StatusDialog*>(seen)->Field(field)->text());
            }
        };
        commands_->RunOptimization(*view_);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text,
                 U("エラー発生 !!\r\n詳細は計算経過一覧をご参照ください"));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Stop);
        QCOMPARE(fields, QStringList({U("実行不可能"), "99999999.0", "0", "0", "00:00:00", "0"}));
        QCOMPARE(commands_->Results().runList,
                 ReadFile(QStringLiteral(KOVA_GOLDEN_DIR "/cli/data-error.runlist")));
        QVERIFY(commands_->Results().solution.empty());
    }

    void statusDialogTemplate() {
        StatusDialog dialog(std::string(), 0.0, *prompts_, *clock_);
        QCOMPARE(dialog.windowTitle(), U("KOVA最適化計算状態"));
        QCOMPARE(dialog.StopButton()->text(), U("強制終了"));
        QStringList fields;
        for (const LiveField field : kLiveFields) {
            fields.append(dialog.Field(field)->text());
        }
        QCOMPARE(fields, QStringList({U("実行不可能"), "99999999.0", "0", "0", "00:00:00", "0"}));
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->objectName().isEmpty()) {
                labels.append(label->text());
            }
        }
        QCOMPARE(labels,
                 QStringList({U("実行可能性状態"), U("上限値と下限値の差"), U("ネットワーク総費用"),
                              U("ラベル結果コード"), U("分岐回数"), U("実行時間")}));
    }

    // Each way of asking for the stop ends a long search with the best
    // solution so far, and the window stays until the run closes it.
    void stopRequests_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("button") << "button";
        QTest::newRow("close box") << "close";
        QTest::newRow("escape") << "escape";
    }
    void stopRequests() {
        QFETCH(QString, how);
        Load(QStringLiteral(KOVA_TEST_DATA_DIR "/long-search.kvf"));
        bool stayedOpen = false;
        commands_->onDialog = [&](QDialog& dialog) {
            auto* status = static_cast<StatusDialog*>(&dialog);
            // Once the first solution is there, ask for the stop.
            auto* poll = new QTimer(status);
            connect(poll, &QTimer::timeout, status, [&stayedOpen, status, poll, how] {
                if (status->Field(LiveField::Branches)->text() == QLatin1String("0")) {
                    return;
                }
                poll->stop();
                if (how == QLatin1String("button")) {
                    QTest::mouseClick(status->StopButton(), Qt::LeftButton);
                } else if (how == QLatin1String("close")) {
                    status->close();
                } else {
                    QTest::keyClick(status, Qt::Key_Escape);
                }
                stayedOpen = status->isVisible() && status->StopWasRequested();
            });
            poll->start(5);
        };
        commands_->RunOptimization(*view_);
        QVERIFY(stayedOpen);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text, U("計算強制終了"));
        QVERIFY(FromCp932(commands_->Results().runList).contains(U("計算強制終了。")));
        QVERIFY(
            FromCp932(commands_->Results().runList).contains(QStringLiteral("Elapsed Time = ")));
        QVERIFY(!commands_->Results().solution.empty());
    }

    void resultsNeedARun() {
        commands_->ShowResults(*view_);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text, U("最適化計算を実行しておりません！"));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Stop);

        // After a run, an emptied editor also refuses, and forgets the results.
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->RunOptimization(*view_);
        QVERIFY(!commands_->Results().runList.empty());
        view_->SetTextBytes(std::string());
        commands_->ShowResults(*view_);
        QCOMPARE(prompts_->messages.last().text, U("最適化計算を実行しておりません！"));
        QVERIFY(commands_->Results().runList.empty());
        QVERIFY(commands_->Results().solution.empty());
        view_->SetTextBytes("END");
        commands_->ShowResults(*view_);
        QCOMPARE(prompts_->messages.last().text, U("最適化計算を実行しておりません！"));
    }

    void resultsDialogTabs() {
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->RunOptimization(*view_);
        for (int round = 0; round < 2; ++round) {
            QString runListText;
            commands_->onDialog = [&](QDialog& dialog) {
                auto* results = static_cast<ResultsDialog*>(&dialog);
                QTimer::singleShot(0, results, [&, results] {
                    CloseWhenDone closer{results};
                    QCOMPARE(results->windowTitle(), U("KOVA計算結果出力"));
                    QCOMPARE(results->Tab()->tabText(0), U("計算経過一覧"));
                    QCOMPARE(results->Tab()->tabText(1), U("　最適化解　"));
                    QVERIFY(results->RunListPane()->isVisible());
                    QVERIFY(!results->FlowPane()->isVisible());
                    QCOMPARE(results->RunListPane()->geometry(), QRect(20, 40, 640, 530));
                    runListText = results->RunListPane()->toPlainText();
                    for (const int tab : {1, 0, 1, 1, 0}) {
                        results->Tab()->setCurrentIndex(tab);
                        QCOMPARE(results->RunListPane()->isVisible(), tab == 0);
                        QCOMPARE(results->FlowPane()->isVisible(), tab == 1);
                    }
                    QCOMPARE(results->FlowPane()->toPlainText(),
                             FromCp932(commands_->Results().solution).replace("\r\n", "\n"));
                    QVERIFY(results->RunListPane()->isReadOnly());
                    QVERIFY(results->FlowPane()->isReadOnly());
                    results->accept();
                });
            };
            commands_->ShowResults(*view_);
            QCOMPARE(runListText, FromCp932(commands_->Results().runList).replace("\r\n", "\n"));
        }
        QVERIFY(prompts_->messages.size() == 1);  // the end of the run only
    }

    // The table tab: sorted numbers, the flow filter, node totals, the copy
    // and a CSV that reads back; keys reach every tab; the notes name the
    // file and mark a text edited since the calculation.
    void resultsTableAndNotes() {
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->SetSourcePath([] { return QStringLiteral("/data/sample.kvf"); });
        commands_->RunOptimization(*view_);
        const QString csv = dir_->filePath(QStringLiteral("sample.csv"));
        for (const bool edited : {false, true}) {
            if (edited) {
                view_->insertPlainText(QStringLiteral("! edited\n"));
            }
            commands_->onDialog = [&](QDialog& dialog) {
                auto* results = static_cast<ResultsDialog*>(&dialog);
                QTimer::singleShot(0, results, [&, results, edited] {
                    CloseWhenDone closer{results};
                    QVERIFY(results->Notes()->text().contains(QStringLiteral("sample.kvf")));
                    QCOMPARE(results->Notes()->text().contains(U("計算後にデータが変更されています")), edited);
                    QCOMPARE(results->Tab()->count(), 3);
                    QApplication::setActiveWindow(results);
                    QVERIFY(QTest::qWaitForWindowActive(results));
                    QTest::keyClick(results, Qt::Key_Tab, Qt::ControlModifier);
                    QCOMPARE(results->Tab()->currentIndex(), 1);
                    QTest::keyClick(results, Qt::Key_PageDown, Qt::ControlModifier);
                    QCOMPARE(results->Tab()->currentIndex(), 2);
                    QVERIFY(results->TablePane()->isVisible());
                    QTest::keyClick(results, Qt::Key_PageUp, Qt::ControlModifier);
                    QCOMPARE(results->Tab()->currentIndex(), 1);
                    QCOMPARE(results->Table()->model()->rowCount(), 5);
                    results->Table()->sortByColumn(6, Qt::DescendingOrder);  // flow
                    QCOMPARE(results->Table()->model()->index(0, 6).data().toString(), U("15"));
                    results->FlowOnlyBox()->setChecked(true);
                    QCOMPARE(results->Table()->model()->rowCount(), 3);
                    const QStringList lines = results->TableText(false).split('\n', Qt::SkipEmptyParts);
                    QCOMPARE(lines.first(), U("No.\tFrom\tTo\tLower\tUpper\tCost\tFlow"));
                    QCOMPARE(lines.size(), 4);
                    results->ByNodeBox()->setChecked(true);
                    QCOMPARE(results->Table()->model()->rowCount(), 4);  // S, A, B, T
                    QCOMPARE(results->SaveCsv(csv, false), QString());
                    // Return closes the window, as the OK button does.
                    QTest::keyClick(results, Qt::Key_Return);
                });
            };
            commands_->ShowResults(*view_);
        }
        // The CSV gives back the table's numbers: costs add up to the total.
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFNo.,From,To,Lower,Upper,Cost,Flow\r\n"));
        double total = 0;
        for (const QByteArray& line : bytes.mid(3).split('\n').mid(1)) {
            const QList<QByteArray> cells = line.trimmed().split(',');
            if (cells.size() == 7) {
                total += cells[5].toDouble();
            }
        }
        QCOMPARE(total, 69.0);
        // Another text takes the editor: the results go.
        commands_->ForgetResults();
        commands_->ShowResults(*view_);
        QCOMPARE(prompts_->messages.last().text, U("最適化計算を実行しておりません！"));
    }

    // The window keeps the size it was left at; printing an edited text asks
    // before it prints the earlier text's results.
    void resultsWindowSizeAndStalePrinting() {
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->RunOptimization(*view_);
        QSize seen;
        for (const QSize& size : {QSize(900, 700), QSize()}) {
            commands_->onDialog = [&, size](QDialog& dialog) {
                QTimer::singleShot(0, &dialog, [&, size, dialog = &dialog] {
                    CloseWhenDone closer{dialog};
                    seen = dialog->size();
                    if (size.isValid()) {
                        dialog->resize(size);
                    }
                    dialog->accept();
                });
            };
            commands_->ShowResults(*view_);
        }
        QCOMPARE(seen, QSize(900, 700));
        // Unchanged: no question. Edited: asked, and "no" leaves the results out.
        store_->WriteInt("Init", "DataFile", 0);
        int printed = 0;
        commands_->SetAskPrinter([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir_->filePath(QStringLiteral("out.pdf")));
            ++printed;
            return true;
        });
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->questions.size(), 0);
        view_->insertPlainText(QStringLiteral("! edited\n"));
        prompts_->yesNo = {false};
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->questions.size(), 1);
        QVERIFY(prompts_->questions.first().contains(U("計算後に変更")));
        QCOMPARE(printed, 1);  // the results alone were chosen: nothing else to print
        QCOMPARE(prompts_->messages.last().text, U("最適化計算を実行しておりません"));
    }

    // A stopped search gives its bound and gap beside the tabs; a problem
    // without flow says which nodes no flow can serve.
    void resultsNotesForStopsAndInfeasibleProblems() {
        RunResults stopped;
        stopped.runList = "run";
        stopped.rows.push_back({"S", "T", 0, 5, 12.0, 3});
        stopped.total = 12.0;
        stopped.bound = 10.5;
        ResultsDialog withBound(stopped, ResultsContext{});
        QVERIFY(withBound.Notes()->text().contains(U("打ち切り: 下界 10.5、差 1.5")));
        RunResults none;
        none.runList = "run";
        none.diagnosis = "no flow meets the bounds: node M";
        ResultsDialog withDiagnosis(none, ResultsContext{});
        QVERIFY(withDiagnosis.Notes()->text().contains(U("解なし: no flow meets the bounds: node M")));
        QCOMPARE(withDiagnosis.Tab()->count(), 2);  // no table without a solution
    }

    void settingsDialogFirstUseAndOk() {
        QStringList shown;
        commands_->onDialog = [&](QDialog& dialog) {
            auto* settings = static_cast<SettingsDialog*>(&dialog);
            QTimer::singleShot(0, settings, [&, settings] {
                CloseWhenDone closer{settings};
                shown << settings->windowTitle() << settings->ToleranceEdit()->text()
                      << QString::number(settings->PrintDataBox()->isChecked())
                      << QString::number(settings->PrintRunListBox()->isChecked())
                      << QString::number(settings->PrintFlowBox()->isChecked());
                settings->accept();
            });
        };
        commands_->EditInitSettings(*view_);
        QCOMPARE(shown, QStringList({U("KOVA初期値設定"), "0", "1", "1", "1"}));
        // OK without changes writes all four keys.
        QSettings file(dir_->filePath(QStringLiteral("KOVA.ini")), QSettings::IniFormat);
        QCOMPARE(file.value("Init/Tole").toString(), QStringLiteral("0."));
        QCOMPARE(file.value("Init/DataFile").toInt(), 1);
        QCOMPARE(file.value("Init/RunList").toInt(), 1);
        QCOMPARE(file.value("Init/Flow").toInt(), 1);
    }

    void settingsDialogChangesAndCancel() {
        store_->WriteString("Init", "Tole", "0.5abc");
        store_->WriteInt("Init", "Flow", 0);
        store_->Sync();
        QStringList shown;
        commands_->onDialog = [&](QDialog& dialog) {
            auto* settings = static_cast<SettingsDialog*>(&dialog);
            QTimer::singleShot(0, settings, [&, settings] {
                CloseWhenDone closer{settings};
                shown << settings->ToleranceEdit()->text()
                      << QString::number(settings->PrintFlowBox()->isChecked());
                settings->ToleranceEdit()->setText(QStringLiteral("0.05"));
                settings->PrintDataBox()->setChecked(false);
                settings->reject();
            });
        };
        commands_->EditInitSettings(*view_);
        QCOMPARE(shown, QStringList({"0.5", "0"}));
        QCOMPARE(*store_->ReadString("Init", "Tole"), std::string("0.5abc"));
        QCOMPARE(store_->ReadString("Init", "DataFile"), std::nullopt);

        // The same edits with OK: stored, and the next run reads them.
        commands_->onDialog = [&](QDialog& dialog) {
            auto* settings = static_cast<SettingsDialog*>(&dialog);
            QTimer::singleShot(0, settings, [settings] {
                CloseWhenDone closer{settings};
                settings->ToleranceEdit()->setText(QStringLiteral(" 0.05 "));
                settings->PrintDataBox()->setChecked(false);
                settings->PrintFlowBox()->setChecked(true);
                settings->accept();
            });
        };
        commands_->EditInitSettings(*view_);
        QCOMPARE(*store_->ReadString("Init", "Tole"), std::string("5.e-002"));
        QCOMPARE(store_->ReadInt("Init", "DataFile", -1), 0);
        QCOMPARE(store_->ReadInt("Init", "Flow", -1), 1);
        commands_->onDialog = {};
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->RunOptimization(*view_);
        QCOMPARE(commands_->Settings().tolerance, 0.05);
        QCOMPARE(commands_->Settings().printData, 0);
    }

    void settingsDialogRefusesNonNumbers() {
        bool stillOpen = false;
        bool focusInEdit = false;
        commands_->onDialog = [&](QDialog& dialog) {
            auto* settings = static_cast<SettingsDialog*>(&dialog);
            QTimer::singleShot(0, settings, [&, settings] {
                CloseWhenDone closer{settings};
                settings->ToleranceEdit()->setText(QStringLiteral("1.5x"));
                settings->findChild<QPushButton*>("OkButton")->click();
                stillOpen = settings->isVisible();
                focusInEdit = settings->focusWidget() == settings->ToleranceEdit();
                settings->ToleranceEdit()->setText(QStringLiteral("-2"));
                settings->findChild<QPushButton*>("OkButton")->click();
            });
        };
        commands_->EditInitSettings(*view_);
        QVERIFY(stillOpen);
        QVERIFY(focusInEdit);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text, U("数値を入力してください。"));
        // No range check: a negative tolerance is stored as entered.
        QCOMPARE(*store_->ReadString("Init", "Tole"), std::string("-2."));
    }

    void settingsThatCannotBeStoredAreReported() {
        // The settings folder is a file: nothing can be written there.
        QFile blocker(dir_->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QtSettingsStore store(dir_->filePath(QStringLiteral("blocker/KOVA.ini")));
        WatchedRunCommands commands(store, *prompts_);
        commands.onDialog = [](QDialog& dialog) {
            auto* settings = static_cast<SettingsDialog*>(&dialog);
            QTimer::singleShot(0, settings, [settings] {
                CloseWhenDone closer{settings};
                settings->ToleranceEdit()->setText(QStringLiteral("5"));
                settings->accept();
            });
        };
        commands.EditInitSettings(*view_);
        QCOMPARE(prompts_->messages.size(), 1);
        QVERIFY(prompts_->messages.first().text.startsWith(U("設定を保存できません。\n")));
        QVERIFY(prompts_->messages.first().text.contains(QStringLiteral("blocker")));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::Stop);
        QCOMPARE(commands.Settings().tolerance, 5.0);
    }

    void printRefusals() {
        // The data text is needed when it is to be printed.
        commands_->SetAskPrinter([](QPrinter&, QWidget*) {
            qFatal("no printer dialog after a refusal");
            return false;
        });
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->messages.last().text, U("エラー !  入力データがありません"));
        QCOMPARE(prompts_->messages.last().icon, gui::BoxIcon::Stop);
        // The run list is needed for the run list or the solution, even
        // when only the solution is chosen.
        store_->WriteInt("Init", "RunList", 0);
        view_->SetTextBytes("END");
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->messages.last().text, U("最適化計算を実行しておりません"));
        QCOMPARE(commands_->Settings().printRunList, 0);
        // A cancelled printer dialog: the job cannot start.
        store_->WriteInt("Init", "Flow", 0);
        commands_->SetAskPrinter([](QPrinter&, QWidget*) { return false; });
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->messages.last().text, U("KOVA 印刷失敗"));
        QCOMPARE(prompts_->messages.last().icon, gui::BoxIcon::None);
        QCOMPARE(prompts_->messages.size(), 3);
    }

    // The sample after a calculation, through a real printer into a PDF.
    void printSampleToPdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        Load(QStringLiteral(KOVA_EXAMPLES_DIR "/sample.kvf"));
        commands_->RunOptimization(*view_);
        const QString pdf = dir_->filePath(QStringLiteral("sample.pdf"));
        commands_->SetAskPrinter([pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->messages.size(), 1);  // the end of the run only
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString pages = QString::fromUtf8(text.readAllStandardOutput());
        const QStringList sheets = pages.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(sheets.size(), 1);
        const QString page = sheets.first();
        QVERIFY2(page.contains(U("KOVA(ネットワーク輸送問題最適流量費用計算)")), qPrintable(page));
        QVERIFY(QRegularExpression(QStringLiteral("2026/12/07 09:30:00\\s+Page\\s+1\\n"))
                    .match(page)
                    .hasMatch());
        QVERIFY(page.contains(U("//***** 入力データ *****")));
        QVERIFY(QRegularExpression(QStringLiteral("\\b1\\s+TITLE sample")).match(page).hasMatch());
        QVERIFY(QRegularExpression(QStringLiteral("\\b8\\s+END")).match(page).hasMatch());
        QVERIFY(page.contains(U("計算終了、最適解が求められました。")));
        QVERIFY(page.contains(U("ネットワーク最適流量費用一覧表")));
        QVERIFY(QRegularExpression(QStringLiteral("2\\s+S\\s+B\\s+0\\s+20\\s+54\\.\\s+15"))
                    .match(page)
                    .hasMatch());
        QVERIFY(page.contains(U("輸送費用合計")));
        // The header sits left of the text, the text left of the data.
        const QStringList lines = page.split(QLatin1Char('\n'));
        const auto indent = [&lines](const QString& start) {
            for (const QString& line : lines) {
                const qsizetype at = line.indexOf(start);
                if (at >= 0) {
                    return at;
                }
            }
            return qsizetype(-1);
        };
        QVERIFY(indent(QStringLiteral("KOVA(")) < indent(QStringLiteral("//*****")));
        QVERIFY(indent(QStringLiteral("//*****")) < indent(QStringLiteral("TITLE sample")));
    }

    // Printer setup configures the shared printer; the print command uses it.
    void printUsesThePrinterOfTheSetup() {
        QPrinter chosen;
        chosen.setOutputFormat(QPrinter::PdfFormat);
        chosen.setOutputFileName(dir_->filePath(QStringLiteral("setup.pdf")));
        commands_->SetPrinter(&chosen);
        commands_->SetAskPrinter([&chosen](QPrinter& printer, QWidget*) {
            return &printer == &chosen;  // the dialog is shown on the chosen printer
        });
        store_->WriteInt("Init", "RunList", 0);
        store_->WriteInt("Init", "Flow", 0);
        view_->SetTextBytes("TITLE t\r\nEND\r\n");
        commands_->PrintData(*view_);
        QVERIFY(prompts_->messages.isEmpty());
        QVERIFY(QFileInfo(dir_->filePath(QStringLiteral("setup.pdf"))).size() > 0);
        // A PDF that cannot be written is a failed print, and the printer keeps its file.
        chosen.setOutputFileName(QStringLiteral("/dev/full"));
        commands_->PrintData(*view_);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(prompts_->messages.first().text, U("KOVA 印刷失敗"));
        QCOMPARE(prompts_->messages.first().icon, gui::BoxIcon::None);
        QCOMPARE(chosen.outputFileName(), QStringLiteral("/dev/full"));
    }

    // Pages outside a one-page job: no sheet at all; the next print is whole again.
    void printRangeWithoutPages() {
        const QString pdf = dir_->filePath(QStringLiteral("none.pdf"));
        QPrinter printer;
        commands_->SetPrinter(&printer);
        commands_->SetAskPrinter([pdf](QPrinter& chosen, QWidget*) {
            chosen.setOutputFormat(QPrinter::PdfFormat);
            chosen.setOutputFileName(pdf);
            chosen.setPrintRange(QPrinter::PageRange);
            chosen.setFromTo(5, 6);
            return true;
        });
        store_->WriteInt("Init", "RunList", 0);
        store_->WriteInt("Init", "Flow", 0);
        view_->SetTextBytes("END\r\n");
        commands_->PrintData(*view_);
        QVERIFY(prompts_->messages.isEmpty());
        QVERIFY(QFileInfo(pdf).size() == 0);
        QCOMPARE(printer.printRange(), QPrinter::AllPages);
        QCOMPARE(printer.fromPage(), 0);
    }

    void toleranceTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "60" << true << 60.0;
        QTest::newRow("blanks around") << "  0.5 " << true << 0.5;
        QTest::newRow("exponent") << "5e-3" << true << 0.005;
        QTest::newRow("trailing letters") << "0.5abc" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("comma") << "0,5" << false << 0.0;
        QTest::newRow("beyond the doubles") << "1e400" << false << 0.0;
        QTest::newRow("full width from an input method") << U("－１．５") << true << -1.5;
        QTest::newRow("full width beyond the doubles") << U("１ｅ９９９") << false << 0.0;
    }
    void toleranceTexts() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double parsed = -1;
        QCOMPARE(SettingsDialog::ParseTolerance(text, &parsed), ok);
        if (ok) {
            QCOMPARE(parsed, value);
            QCOMPARE(SettingsDialog::ToleranceText(parsed).toDouble(), value);
        }
    }
};

QTEST_MAIN(RunDialogsTest)
#include "run_dialogs_test.moc"
