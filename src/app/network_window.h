// 表示 → ネットワーク図: the network of the current text with the flows of
// its last calculation. Zoom, pan and fit; labels and empty arcs on request;
// a hovered arc shows its solution row, a clicked one is reported so the
// editor can select its ARC line; export as SVG or PNG and print.
#pragma once

#include <QFutureWatcher>
#include <QGraphicsView>
#include <QMainWindow>
#include <memory>

#include "app/network_scene.h"

class QAction;
class QLabel;
class QPrinter;

namespace kova::app {

class NetworkView final : public QGraphicsView {
    Q_OBJECT
  public:
    explicit NetworkView(QWidget* parent = nullptr);
    void ZoomBy(double factor);
    // Fits the picture to the window, and keeps it fitted as the window changes.
    void Fit();
    bool Fitting() const { return fitting_; }

  signals:
    void ArcClicked(int number);

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool fitting_ = true;  // the picture follows the window until the user zooms
};

class NetworkWindow final : public QMainWindow {
    Q_OBJECT
  public:
    explicit NetworkWindow(QWidget* parent = nullptr);
    ~NetworkWindow() override;

    // A new picture: laid out away from the window for large networks; the
    // same network keeps its layout.
    void ShowPicture(drawing::NetworkPicture picture);
    // Draws the arc of this No. highlighted (0: none).
    void HighlightArc(int number);
    // Nothing to draw, and why.
    void ShowNotice(const QString& text);
    const drawing::NetworkPicture& Picture() const { return picture_; }

    NetworkView* View() const { return view_; }
    QGraphicsScene* Scene() const { return scene_.get(); }
    // True while a layout is being computed.
    bool Busy() const { return watcher_.isRunning(); }

    bool ExportSvg(const QString& path);
    bool ExportPng(const QString& path);

  signals:
    void ArcClicked(int number);
    void LaidOut();

  private:
    void CreateActions();
    void StartLayout();
    void Rebuild();
    void ChooseAndExport(bool svg);
    void Print();
    void ShowError(const QString& what, const QString& why);

    NetworkView* view_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* labelsAction_ = nullptr;
    QAction* hideEmptyAction_ = nullptr;
    drawing::NetworkPicture picture_;
    drawing::ArcsToDraw choice_;
    drawing::NetworkLayout layout_;
    drawing::LayoutInput laidOutInput_;  // what layout_ was computed for
    std::unique_ptr<QGraphicsScene> scene_;
    QFutureWatcher<drawing::NetworkLayout> watcher_;
    drawing::LayoutInput pendingInput_;
    bool layoutAgain_ = false;
    int highlighted_ = 0;
};

// `kova --draw FILE --svg OUT` / `--png OUT`: solves the file and writes the
// picture without a window. The exit status (ExitStatus).
int DrawFile(const QString& path, const QString& svgPath, const QString& pngPath);

}  // namespace kova::app
