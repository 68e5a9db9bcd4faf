#include "app/network_window.h"

#include <QAction>
#include <QFileDialog>
#include <QGraphicsItem>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <chrono>
#include <cstdio>

#include "app/document.h"
#include "app/exit_status.h"
#include "gui/dialog_units.h"
#include "run/calculation_run.h"
#include "text/file_encoding.h"

namespace kova::app {
namespace {

// Layouts of more arcs than this run away from the window.
constexpr std::size_t kLayoutInWindowArcs = 300;

bool SameLayoutInput(const drawing::LayoutInput& a, const drawing::LayoutInput& b) {
    if (a.nodeWidths != b.nodeWidths || a.arcs.size() != b.arcs.size() ||
        a.nodeHeight != b.nodeHeight) {
        return false;
    }
    for (std::size_t i = 0; i < a.arcs.size(); ++i) {
        if (a.arcs[i].from != b.arcs[i].from || a.arcs[i].to != b.arcs[i].to) {
            return false;
        }
    }
    return true;
}

QFont PictureFont() {
    return gui::FixedPitchJapaneseFont(10);
}

// A calculation without a window: every message is dropped, and the search
// stops after a while with its best solution so far.
class QuietMonitor final : public RunMonitor {
  public:
    explicit QuietMonitor(double seconds)
        : deadline_(std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(seconds))) {}
    void SetField(LiveField, std::string_view) override {}
    void Pump() override {}
    bool StopRequested() override { return std::chrono::steady_clock::now() > deadline_; }
    void ShowMessage(std::string_view, MessageIcon) override {}
    DateTime Now() override { return clock_.Now(); }

  private:
    SystemClock clock_;
    std::chrono::steady_clock::time_point deadline_;
};

// A drawing waits this long for the optimum at most.
constexpr double kDrawSearchSeconds = 60.0;

}  // namespace

NetworkView::NetworkView(QWidget* parent) : QGraphicsView(parent) {
    setObjectName(QStringLiteral("NetworkView"));
    setDragMode(QGraphicsView::ScrollHandDrag);
    setRenderHint(QPainter::Antialiasing);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setMouseTracking(true);
}

void NetworkView::ZoomBy(double factor) {
    fitting_ = false;
    const double current = transform().m11();
    if ((factor > 1.0 && current > 20.0) || (factor < 1.0 && current < 0.02)) {
        return;
    }
    scale(factor, factor);
}

void NetworkView::Fit() {
    fitting_ = true;
    if (scene() != nullptr) {
        fitInView(scene()->sceneRect(), Qt::KeepAspectRatio);
    }
}

void NetworkView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        ZoomBy(event->angleDelta().y() > 0 ? 1.25 : 0.8);
        event->accept();
        return;
    }
    QGraphicsView::wheelEvent(event);
}

void NetworkView::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (fitting_) {
        Fit();
    }
}

void NetworkView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // Arcs are thin: the nearest arc item within a few pixels counts.
        const QRect near(event->position().toPoint() - QPoint(4, 4), QSize(9, 9));
        for (QGraphicsItem* item : items(near)) {
            const QVariant number = item->data(kArcNumberKey);
            if (number.isValid()) {
                emit ArcClicked(number.toInt());
                break;
            }
        }
    }
    QGraphicsView::mousePressEvent(event);
}

NetworkWindow::NetworkWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("NetworkWindow"));
    setWindowTitle(QStringLiteral("ネットワーク図"));
    view_ = new NetworkView(this);
    setCentralWidget(view_);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    CreateActions();
    connect(view_, &NetworkView::ArcClicked, this, [this](int number) {
        HighlightArc(number);
        emit ArcClicked(number);
    });
    connect(&watcher_, &QFutureWatcher<drawing::NetworkLayout>::finished, this, [this] {
        layout_ = watcher_.result();
        laidOutInput_ = pendingInput_;
        if (layoutAgain_) {
            layoutAgain_ = false;
            StartLayout();
            return;
        }
        Rebuild();
        view_->Fit();
        emit LaidOut();
    });
    resize(800, 600);
}

NetworkWindow::~NetworkWindow() {
    watcher_.waitForFinished();
}

void NetworkWindow::CreateActions() {
    QToolBar* bar = addToolBar(QStringLiteral("ネットワーク図"));
    bar->setObjectName(QStringLiteral("NetworkToolBar"));
    const auto add = [&](const QString& text, const char* icon, QKeySequence key, auto slot) {
        QAction* action = bar->addAction(QIcon::fromTheme(QString::fromLatin1(icon)), text);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(QStringLiteral("全体表示"), "zoom-fit-best", QKeySequence(Qt::CTRL | Qt::Key_0), [this] { view_->Fit(); });
    add(QStringLiteral("拡大"), "zoom-in", QKeySequence::ZoomIn, [this] { view_->ZoomBy(1.25); });
    add(QStringLiteral("縮小"), "zoom-out", QKeySequence::ZoomOut, [this] { view_->ZoomBy(0.8); });
    bar->addSeparator();
    labelsAction_ = add(QStringLiteral("流量と費用を表示"), "format-text-bold", QKeySequence(), [this] { Rebuild(); });
    labelsAction_->setCheckable(true);
    hideEmptyAction_ = add(QStringLiteral("流量のない弧を隠す"), "view-filter", QKeySequence(), [this] {
        // Which arcs are laid out may change with it for large networks.
        StartLayout();
    });
    hideEmptyAction_->setCheckable(true);
    bar->addSeparator();
    add(QStringLiteral("SVG で保存..."), "document-save-as", QKeySequence(), [this] { ChooseAndExport(true); });
    add(QStringLiteral("PNG で保存..."), "image-x-generic", QKeySequence(), [this] { ChooseAndExport(false); });
    add(QStringLiteral("印刷..."), "document-print", QKeySequence::Print, [this] { Print(); });
    auto* closeAction = new QAction(QStringLiteral("閉じる"), this);
    closeAction->setShortcut(QKeySequence::Close);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    addAction(closeAction);
}

void NetworkWindow::ShowPicture(drawing::NetworkPicture picture) {
    picture_ = std::move(picture);
    StartLayout();
}

void NetworkWindow::ShowNotice(const QString& text) {
    picture_ = {};
    choice_ = {};
    choice_.notice = text.toStdString();
    layout_ = {};
    laidOutInput_ = {};
    Rebuild();
}

void NetworkWindow::StartLayout() {
    PictureOptions options;
    options.hideEmpty = hideEmptyAction_->isChecked();
    choice_ = drawing::ChooseArcs(picture_, options.hideEmpty && picture_.arcs.size() > drawing::kWholeNetworkArcs);
    const drawing::LayoutInput input = LayoutInputFor(picture_, choice_, PictureFont());
    if (!layout_.nodes.empty() && SameLayoutInput(input, laidOutInput_)) {
        Rebuild();  // the same network: its layout stays
        emit LaidOut();
        return;
    }
    if (watcher_.isRunning()) {
        layoutAgain_ = true;
        return;
    }
    pendingInput_ = input;
    if (choice_.arcs.empty()) {
        layout_ = {};
        laidOutInput_ = input;
        Rebuild();
        emit LaidOut();
        return;
    }
    if (input.arcs.size() <= kLayoutInWindowArcs) {
        layout_ = drawing::LayOutNetwork(input);
        laidOutInput_ = input;
        Rebuild();
        view_->Fit();
        emit LaidOut();
        return;
    }
    status_->setText(QStringLiteral("配置を計算しています... (%1 本の弧)").arg(input.arcs.size()));
    watcher_.setFuture(QtConcurrent::run([input] { return drawing::LayOutNetwork(input); }));
}

void NetworkWindow::Rebuild() {
    PictureOptions options;
    options.labels = labelsAction_->isChecked();
    options.hideEmpty = hideEmptyAction_->isChecked();
    const QTransform zoom = view_->transform();
    auto scene = BuildNetworkScene(picture_, choice_, layout_, options, PictureFont());
    view_->setScene(scene.get());
    scene_ = std::move(scene);  // the old scene goes once the view has let it go
    view_->setTransform(zoom);
    if (view_->Fitting()) {
        view_->Fit();
    }
    HighlightArc(highlighted_);
    status_->setText(QStringLiteral("%1 節点, %2 弧").arg(choice_.nodes.size()).arg(choice_.arcs.size()) +
                     (choice_.notice.empty() ? QString()
                                             : QStringLiteral("  ") + QString::fromStdString(choice_.notice)));
}

void NetworkWindow::HighlightArc(int number) {
    highlighted_ = number;
    if (!scene_) {
        return;
    }
    QGraphicsItem* shown = nullptr;
    for (QGraphicsItem* item : scene_->items()) {
        auto* shape = dynamic_cast<QAbstractGraphicsShapeItem*>(item);
        const QVariant data = item->data(kArcNumberKey);
        if (shape == nullptr || !data.isValid()) {
            continue;
        }
        const bool chosen = data.toInt() == number;
        QPen pen = item->data(kArcPenKey).value<QPen>();
        if (chosen) {
            pen.setColor(QColor(20, 160, 60));
            pen.setWidthF(pen.widthF() + 2.0);
            shown = item;
        }
        shape->setPen(pen);
        if (shape->brush().style() != Qt::NoBrush) {
            shape->setBrush(pen.color());
        }
        item->setZValue(chosen ? 0.5 : 0.0);
    }
    if (shown != nullptr) {
        view_->ensureVisible(shown, 40, 40);
    }
}

bool NetworkWindow::ExportSvg(const QString& path) {
    if (!scene_) {
        return false;
    }
    const QString error = WriteSceneSvg(*scene_, path, windowTitle());
    if (!error.isEmpty()) {
        ShowError(path, error);
    }
    return error.isEmpty();
}

bool NetworkWindow::ExportPng(const QString& path) {
    if (!scene_) {
        return false;
    }
    const QString error = WriteScenePng(*scene_, path);
    if (!error.isEmpty()) {
        ShowError(path, error);
    }
    return error.isEmpty();
}

void NetworkWindow::ChooseAndExport(bool svg) {
    const QString path = QFileDialog::getSaveFileName(
        this, svg ? QStringLiteral("SVG で保存") : QStringLiteral("PNG で保存"), QString(),
        svg ? QStringLiteral("SVG (*.svg)") : QStringLiteral("PNG (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    if (svg) {
        ExportSvg(path);
    } else {
        ExportPng(path);
    }
}

void NetworkWindow::Print() {
    if (!scene_) {
        return;
    }
    QPrinter printer;
    printer.setDocName(QStringLiteral("KOVA network"));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QPainter painter(&printer);
    PaintSceneOnPage(*scene_, painter, printer.pageLayout().paintRectPixels(printer.resolution()));
}

void NetworkWindow::ShowError(const QString& what, const QString& why) {
    QMessageBox::warning(this, QStringLiteral("KOVA"),
                         QStringLiteral("%1 を書けません: %2").arg(what, why));
}

int DrawFile(const QString& path, const QString& svgPath, const QString& pngPath) {
    QString reason;
    const std::optional<std::string> bytes = Document::ReadFile(path, &reason);
    if (!bytes) {
        std::fprintf(stderr, "kova: cannot open %s: %s\n", qPrintable(path), qPrintable(reason));
        return kExitNotReadable;
    }
    // Read as the editor reads it; a character the calculation cannot carry
    // would be '?', and two such names one node.
    bool lossy = false;
    const std::string text = DataTextOf(*bytes, DetectEncoding(*bytes), &lossy);
    if (lossy) {
        std::fprintf(stderr, "kova: %s: a character has no code page 932 form; nothing drawn\n",
                     qPrintable(path));
        return kExitDataError;
    }
    QuietMonitor monitor(kDrawSearchSeconds);
    CalculationRun run(monitor, 0.0);
    run.Run(text);
    if (run.Error()) {
        std::fprintf(stderr, "kova: %s: line %d: the data has an error; nothing drawn\n",
                     qPrintable(path), run.Error()->line);
        return kExitDataError;
    }
    if (run.End() == SearchEnd::StoppedAtRoot || run.End() == SearchEnd::StoppedInBranch) {
        std::fprintf(stderr, "kova: %s: the search was stopped after %.0f s; drawn with its best "
                     "solution\n", qPrintable(path), kDrawSearchSeconds);
    }
    drawing::NetworkPicture picture;
    if (!run.SolutionRows().empty()) {
        picture = drawing::PictureOfSolution(run.SolutionRows(), run.IncumbentCost());
    } else if (auto plain = drawing::PictureOfText(text)) {
        picture = std::move(*plain);  // no solution: the network without flows
    }
    auto scene = DrawNetwork(picture, PictureOptions{}, PictureFont());
    int status = kExitOk;
    const auto write = [&](const QString& target, const QString& error) {
        if (!error.isEmpty()) {
            std::fprintf(stderr, "kova: %s: cannot write: %s\n", qPrintable(target), qPrintable(error));
            status = kExitCannotWrite;
        }
    };
    if (!svgPath.isEmpty()) {
        write(svgPath, WriteSceneSvg(*scene, svgPath, QFileInfo(path).fileName()));
    }
    if (!pngPath.isEmpty()) {
        write(pngPath, WriteScenePng(*scene, pngPath));
    }
    return status;
}

}  // namespace kova::app
