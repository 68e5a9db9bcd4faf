// The network picture, offscreen: every example drawn as a valid SVG with
// each arc, the same bytes on a second draw, and a click on an arc naming it.
#include <QDir>
#include <QFile>
#include <QGraphicsPathItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QXmlStreamReader>

#include "app/application.h"
#include "app/command_table.h"
#include "app/document.h"
#include "app/editor_view.h"
#include "app/exit_status.h"
#include "app/main_window.h"
#include "gui/let_close.h"
#include "gui/scripted_prompts.h"
#include "settings/settings_store.h"
#include "app/network_window.h"
#include "drawing/network_picture.h"
#include "text/cp932.h"

using namespace kova;
using namespace kova::app;

namespace {

// The number of path elements of a well-formed SVG file; -1 when it is not.
int SvgPaths(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    QXmlStreamReader xml(&file);
    int paths = 0;
    bool svg = false;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            svg = svg || xml.name() == QStringLiteral("svg");
            paths += xml.name() == QStringLiteral("path") ? 1 : 0;
        }
    }
    return xml.hasError() || !svg ? -1 : paths;
}

int ArcLines(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    int arcs = 0;
    while (!file.atEnd()) {
        arcs += file.readLine().trimmed().toUpper().startsWith("ARC ") ? 1 : 0;
    }
    return arcs;
}

}  // namespace

class NetworkTest : public QObject {
    Q_OBJECT
  private slots:
    // Each arc is a line and an arrow head: two paths.
    void everyExampleDrawsEachArc() {
        QTemporaryDir dir;
        const QStringList examples =
            QDir(QStringLiteral(KOVA_EXAMPLES_DIR)).entryList({QStringLiteral("*.kvf")});
        QVERIFY(examples.size() >= 8);
        for (const QString& name : examples) {
            const QString input = QStringLiteral(KOVA_EXAMPLES_DIR "/") + name;
            const QString svg = dir.filePath(name + QStringLiteral(".svg"));
            const int status = DrawFile(input, svg, QString());
            if (name == QStringLiteral("data-error.kvf")) {
                QCOMPARE(status, int{kExitDataError});
                QVERIFY(!QFile::exists(svg));
                continue;
            }
            QCOMPARE(status, int{kExitOk});
            QCOMPARE(SvgPaths(svg), 2 * ArcLines(input));
        }
    }

    void drawingTwiceGivesTheSameBytes() {
        QTemporaryDir dir;
        const QString input = QStringLiteral(KOVA_EXAMPLES_DIR "/supply-demand.kvf");
        QCOMPARE(DrawFile(input, dir.filePath("a.svg"), dir.filePath("a.png")), int{kExitOk});
        QCOMPARE(DrawFile(input, dir.filePath("b.svg"), QString()), int{kExitOk});
        QFile a(dir.filePath("a.svg"));
        QFile b(dir.filePath("b.svg"));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QVERIFY(QImage(dir.filePath("a.png")).width() > 100);
    }

    // A UTF-8 file draws as its code page 932 twin; one whose names the
    // calculation cannot carry draws nothing.
    void utf8FilesDrawAsTheEditorReadsThem() {
        QTemporaryDir dir;
        const char* text = "ARC 東京 大阪 0 0 1 10\nARC 大阪 東京 2 0 1 9\nEND\n";
        const auto write = [&](const char* name, const std::string& bytes) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        };
        // One name: the picture carries it.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")) &&
                QDir(dir.path()).mkpath(QStringLiteral("b")));
        write("a/net.kvf", Utf8ToCp932(text).bytes);
        write("b/net.kvf", std::string("\xef\xbb\xbf") + text);
        write("emoji.kvf", "ARC S \xf0\x9f\x98\x80 0 0 1 5\nEND\n");
        QCOMPARE(DrawFile(dir.filePath("a/net.kvf"), dir.filePath("a.svg"), QString()), int{kExitOk});
        QCOMPARE(DrawFile(dir.filePath("b/net.kvf"), dir.filePath("b.svg"), QString()), int{kExitOk});
        QFile a(dir.filePath("a.svg"));
        QFile b(dir.filePath("b.svg"));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QCOMPARE(DrawFile(dir.filePath("emoji.kvf"), dir.filePath("c.svg"), QString()),
                 int{kExitDataError});
    }

    // Japanese names, hover text and a click on the second arc.
    void clickingAnArcNamesIt() {
        NetworkWindow window;
        const std::string text =
            Utf8ToCp932("ARC 東京 大阪 0 0 1 10\nARC 大阪 名古屋 0 0 2 10\nARC 名古屋 東京 3 0 0 9\nEND").bytes;
        window.ShowPicture(*drawing::PictureOfText(text));
        window.resize(600, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.View()->Fit();
        QGraphicsPathItem* second = nullptr;
        for (QGraphicsItem* item : window.Scene()->items()) {
            auto* path = dynamic_cast<QGraphicsPathItem*>(item);
            if (path != nullptr && item->data(kArcNumberKey).toInt() == 2 &&
                path->brush().style() == Qt::NoBrush) {
                second = path;
            }
        }
        QVERIFY(second != nullptr);
        QVERIFY(second->toolTip().contains(QStringLiteral("大阪 → 名古屋")));
        const QPointF middle = second->path().pointAtPercent(0.5);
        QSignalSpy clicked(&window, &NetworkWindow::ArcClicked);
        QTest::mouseClick(window.View()->viewport(), Qt::LeftButton, {},
                          window.View()->mapFromScene(middle));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 2);
    }

    // 表示 → ネットワーク図 from the window: a click on the third arc selects
    // its ARC line (after a comment and a two-line arc), and moving the
    // cursor to a line highlights that line's arc.
    void theMenuCommandFollowsTheEditor() {
        MemorySettingsStore store;
        testing::ScriptedPrompts prompts;
        QTemporaryDir dir;
        Application app(store, prompts, dir.filePath(QStringLiteral("instance")));
        QCOMPARE(app.Start(QString()), Application::StartResult::Running);
        app.Editor().SetTextBytes(
            "TITLE t\r\n! a comment\r\nARC S A 0 0 1 10\r\nARC A B 0 0 2\r\n  10\r\nARC B S 3 0 0 9\r\nEND\r\n");
        app.Window().Action(ID_VIEW_NETWORK)->trigger();
        NetworkWindow* network = app.Network();
        QVERIFY(network != nullptr && network->isVisible());
        QCOMPARE(network->Picture().arcs.size(), std::size_t{3});
        QCOMPARE(network->Picture().arcs[2].line, 6);
        emit network->ArcClicked(3);
        QCOMPARE(app.Editor().textCursor().blockNumber(), 5);
        QCOMPARE(app.Editor().textCursor().selectedText(), QStringLiteral("ARC B S 3 0 0 9"));
        // The second arc's statement runs over lines 4 and 5.
        QTextCursor cursor(app.Editor().document()->findBlockByNumber(4));
        app.Editor().setTextCursor(cursor);
        bool highlighted = false;
        for (QGraphicsItem* item : network->Scene()->items()) {
            auto* path = dynamic_cast<QGraphicsPathItem*>(item);
            if (path != nullptr && item->data(kArcNumberKey).toInt() == 2) {
                highlighted = highlighted || item->zValue() > 0;
            }
        }
        QVERIFY(highlighted);
        testing::LetClose(app);
    }

    // File → インポート opens a DIMACS file as a new, modified, untitled
    // document in the data language; a bad file says its line and keeps the
    // text. モデルの書き出し writes the text as an LP or MPS model.
    void importAndExportModel() {
        MemorySettingsStore store;
        testing::ScriptedPrompts prompts;
        QTemporaryDir dir;
        Application app(store, prompts, dir.filePath(QStringLiteral("instance")));
        QCOMPARE(app.Start(QString()), Application::StartResult::Running);
        prompts.importPaths = {QStringLiteral(KOVA_EXAMPLES_DIR "/two-plants.min")};
        app.Window().Action(ID_FILE_IMPORT)->trigger();
        QVERIFY(app.CurrentDocument().FilePath().isEmpty());
        QVERIFY(app.CurrentDocument().IsModified());
        QVERIFY(app.Editor().toPlainText().startsWith(QStringLiteral("TITLE two-plants\nARC 1 3 0 0 4 20")));
        QFile bad(dir.filePath(QStringLiteral("bad.min")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("p min 2 2\na 1 2 0 4 1\n");
        bad.close();
        prompts.importPaths = {bad.fileName()};
        prompts.saveChoices = {gui::SaveChoice::Discard};  // the imported text is unsaved
        const QString before = app.Editor().toPlainText();
        app.Window().Action(ID_FILE_IMPORT)->trigger();
        QCOMPARE(prompts.saveQuestions.size(), 1);
        QVERIFY(!prompts.messages.isEmpty());
        QVERIFY(prompts.messages.last().text.contains(QStringLiteral("line 2: the problem line announces 2 arcs")));
        QCOMPARE(app.Editor().toPlainText(), before);
        for (const QString& name : {QStringLiteral("m.lp"), QStringLiteral("m.mps")}) {
            prompts.modelPaths = {dir.filePath(name)};
            app.Window().Action(ID_FILE_EXPORT_MODEL)->trigger();
            QFile model(dir.filePath(name));
            QVERIFY(model.open(QIODevice::ReadOnly));
            const QByteArray bytes = model.readAll();
            QVERIFY(bytes.contains(name.endsWith(QStringLiteral(".lp")) ? "Minimize" : "ENDATA"));
        }
        testing::LetClose(app);
    }
};

QTEST_MAIN(NetworkTest)
#include "network_test.moc"
