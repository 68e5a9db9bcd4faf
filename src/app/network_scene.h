// The network picture painted by Qt: nodes as named boxes, arcs as curves
// as wide as their flow and coloured by their share of the total cost. One
// scene serves the window, the exports and printing.
#pragma once

#include <QFont>
#include <QGraphicsScene>
#include <QString>
#include <memory>

#include "drawing/network_layout.h"
#include "drawing/network_picture.h"

class QPainter;

namespace kova::app {

struct PictureOptions {
    bool labels = false;     // flow and cost beside each arc
    bool hideEmpty = false;  // arcs without flow left out (else drawn faint)
};

// Data keys of the scene's items.
inline constexpr int kArcNumberKey = 0;  // an arc's No. (1 the first ARC line)
inline constexpr int kArcPenKey = 1;     // the pen an arc's items are drawn with

// What to lay out for `picture`, with node widths that fit their names in `font`.
drawing::LayoutInput LayoutInputFor(const drawing::NetworkPicture& picture,
                                    const drawing::ArcsToDraw& choice, const QFont& font);

// The scene of a laid-out choice of arcs; a scene with the notice alone
// when nothing is drawn.
std::unique_ptr<QGraphicsScene> BuildNetworkScene(const drawing::NetworkPicture& picture,
                                                  const drawing::ArcsToDraw& choice,
                                                  const drawing::NetworkLayout& layout,
                                                  const PictureOptions& options, const QFont& font);

// The text of an arc's tooltip: its solution row.
QString ArcRowText(const drawing::NetworkPicture& picture, const drawing::PictureArc& arc);

// Writes the scene to an SVG or PNG file, whole and checked (written beside
// and renamed over, as every output). Empty on success, else the reason.
QString WriteSceneSvg(QGraphicsScene& scene, const QString& path, const QString& title);
QString WriteScenePng(QGraphicsScene& scene, const QString& path);

// Paints the scene scaled to fit `painter`'s device page.
void PaintSceneOnPage(QGraphicsScene& scene, QPainter& painter, const QRectF& page);

// Solves nothing: lays out and builds in one go, for the headless draw.
std::unique_ptr<QGraphicsScene> DrawNetwork(const drawing::NetworkPicture& picture,
                                            const PictureOptions& options, const QFont& font);

}  // namespace kova::app
