#include "app/network_scene.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "files/output_file.h"
#include "text/number_text.h"

namespace kova::app {
namespace {

constexpr double kNodePadding = 10.0;
constexpr double kNodeHeight = 24.0;
constexpr double kMargin = 16.0;

// Grey-blue for cheap arcs through orange to red for the dearest.
QColor ShareColour(double share) {
    const double t = std::sqrt(std::clamp(share, 0.0, 1.0));
    const QColor cheap(70, 110, 160);
    const QColor dear(215, 48, 39);
    return QColor::fromRgbF(cheap.redF() + (dear.redF() - cheap.redF()) * t,
                            cheap.greenF() + (dear.greenF() - cheap.greenF()) * t,
                            cheap.blueF() + (dear.blueF() - cheap.blueF()) * t);
}

QPointF At(const drawing::Point& p) {
    return QPointF(p.x + kMargin, p.y + kMargin);
}

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

drawing::LayoutInput LayoutInputFor(const drawing::NetworkPicture& picture,
                                    const drawing::ArcsToDraw& choice, const QFont& font) {
    const QFontMetricsF metrics(font);
    drawing::LayoutInput input;
    input.nodeHeight = kNodeHeight;
    std::vector<std::int32_t> place(picture.nodes.size(), -1);
    for (const std::int32_t node : choice.nodes) {
        place[static_cast<std::size_t>(node)] = static_cast<std::int32_t>(input.nodeWidths.size());
        input.nodeWidths.push_back(
            std::max(kNodeHeight,
                     metrics.horizontalAdvance(Utf8(picture.nodes[static_cast<std::size_t>(node)])) +
                         2 * kNodePadding));
    }
    for (const std::int32_t index : choice.arcs) {
        const drawing::PictureArc& arc = picture.arcs[static_cast<std::size_t>(index)];
        input.arcs.push_back(drawing::LayoutArc{place[static_cast<std::size_t>(arc.from)],
                                                place[static_cast<std::size_t>(arc.to)]});
    }
    return input;
}

QString ArcRowText(const drawing::NetworkPicture& picture, const drawing::PictureArc& arc) {
    QString text = QStringLiteral("No. %1   %2 → %3\nLower %4   Upper %5")
                       .arg(arc.number)
                       .arg(Utf8(picture.nodes[static_cast<std::size_t>(arc.from)]),
                            Utf8(picture.nodes[static_cast<std::size_t>(arc.to)]))
                       .arg(arc.lower)
                       .arg(arc.upper);
    if (picture.hasFlows) {
        text += QStringLiteral("\nArc Cost %1   Flow %2")
                    .arg(QString::fromStdString(NumberText(arc.cost)))
                    .arg(arc.flow);
    }
    return text;
}

std::unique_ptr<QGraphicsScene> BuildNetworkScene(const drawing::NetworkPicture& picture,
                                                  const drawing::ArcsToDraw& choice,
                                                  const drawing::NetworkLayout& layout,
                                                  const PictureOptions& options, const QFont& font) {
    auto scene = std::make_unique<QGraphicsScene>();
    scene->setBackgroundBrush(Qt::white);
    if (choice.arcs.empty() || !layout.error.empty()) {
        const QString why = layout.error.empty() ? Utf8(choice.notice) : Utf8(layout.error);
        auto* text = scene->addSimpleText(why.isEmpty() ? QStringLiteral("(no arcs)") : why, font);
        text->setPos(kMargin, kMargin);
        scene->setSceneRect(scene->itemsBoundingRect().adjusted(-kMargin, -kMargin, kMargin, kMargin));
        return scene;
    }
    std::int64_t largest = 0;
    for (const drawing::PictureArc& arc : picture.arcs) {
        largest = std::max<std::int64_t>(largest, std::llabs(arc.flow));
    }
    QFont small = font;
    small.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.8));
    // Faint arcs first, so flows lie on top.
    std::vector<std::size_t> order(choice.arcs.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return picture.arcs[static_cast<std::size_t>(choice.arcs[a])].flow == 0 &&
               picture.arcs[static_cast<std::size_t>(choice.arcs[b])].flow != 0;
    });
    for (const std::size_t i : order) {
        const drawing::PictureArc& arc = picture.arcs[static_cast<std::size_t>(choice.arcs[i])];
        const bool empty = picture.hasFlows && arc.flow == 0;
        if (empty && options.hideEmpty) {
            continue;
        }
        const drawing::PlacedArc& placed = layout.arcs[i];
        if (placed.path.size() < 4) {
            continue;
        }
        QPainterPath path(At(placed.path[0]));
        for (std::size_t k = 1; k + 2 < placed.path.size(); k += 3) {
            path.cubicTo(At(placed.path[k]), At(placed.path[k + 1]), At(placed.path[k + 2]));
        }
        const QColor colour = !picture.hasFlows ? QColor(90, 90, 90)
                              : empty           ? QColor(200, 200, 200)
                                                : ShareColour(drawing::CostShare(arc.cost, picture.total));
        const double width = picture.hasFlows ? drawing::ArcWidth(arc.flow, largest) : 1.2;
        QPen pen(colour, width, empty ? Qt::DashLine : Qt::SolidLine, Qt::RoundCap);
        // The head's arrow ends at the tip; the line stops at its base.
        const QPointF end = path.currentPosition();
        const QPointF tip = placed.arrowAtEnd ? At(placed.arrowTip) : end;
        QPointF direction = tip - end;
        const double length = std::hypot(direction.x(), direction.y());
        if (length < 1e-6) {
            const QPointF before = path.pointAtPercent(0.95);
            direction = end - before;
        }
        const double norm = std::max(1e-6, std::hypot(direction.x(), direction.y()));
        const QPointF unit(direction.x() / norm, direction.y() / norm);
        const double size = 6.0 + width;
        const QPointF base = tip - unit * size;
        const QPointF side(-unit.y() * size * 0.45, unit.x() * size * 0.45);
        QPainterPath arrow;
        arrow.moveTo(tip);
        arrow.lineTo(base + side);
        arrow.lineTo(base - side);
        arrow.closeSubpath();
        auto* line = scene->addPath(path, pen);
        auto* head = scene->addPath(arrow, QPen(colour, 1.0), QBrush(colour));
        const QString row = ArcRowText(picture, arc);
        line->setData(kArcPenKey, pen);
        head->setData(kArcPenKey, head->pen());
        for (QGraphicsItem* item : {static_cast<QGraphicsItem*>(line), static_cast<QGraphicsItem*>(head)}) {
            item->setData(kArcNumberKey, arc.number);
            item->setToolTip(row);
        }
        if (options.labels && picture.hasFlows && !empty) {
            auto* label = scene->addSimpleText(
                QStringLiteral("%1 / %2").arg(arc.flow).arg(QString::fromStdString(NumberText(arc.cost))),
                small);
            label->setBrush(QColor(40, 40, 40));
            const QPointF middle = path.pointAtPercent(0.5);
            label->setPos(middle + QPointF(4, -label->boundingRect().height() - 2));
            label->setData(kArcNumberKey, arc.number);
        }
    }
    const drawing::LayoutInput sizes = LayoutInputFor(picture, choice, font);
    for (std::size_t i = 0; i < choice.nodes.size(); ++i) {
        const QPointF centre = At(layout.nodes[i]);
        const double w = sizes.nodeWidths[i];
        auto* box = scene->addRect(QRectF(centre.x() - w / 2, centre.y() - kNodeHeight / 2, w, kNodeHeight),
                                   QPen(QColor(60, 60, 60), 1.0), QBrush(QColor(250, 248, 235)));
        auto* name = scene->addSimpleText(
            Utf8(picture.nodes[static_cast<std::size_t>(choice.nodes[i])]), font);
        const QRectF bounds = name->boundingRect();
        name->setPos(centre.x() - bounds.width() / 2, centre.y() - bounds.height() / 2);
        box->setZValue(1);
        name->setZValue(2);
    }
    if (!choice.notice.empty()) {
        auto* notice = scene->addSimpleText(Utf8(choice.notice), font);
        notice->setPos(kMargin, layout.height + 2 * kMargin);
    }
    scene->setSceneRect(scene->itemsBoundingRect().adjusted(-kMargin, -kMargin, kMargin, kMargin));
    return scene;
}

QString WriteSceneSvg(QGraphicsScene& scene, const QString& path, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    const QRectF area = scene.sceneRect();
    svg.setSize(area.size().toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), area.size()));
    svg.setTitle(title);
    {
        QPainter painter(&svg);
        scene.render(&painter, QRectF(QPointF(0, 0), area.size()), area);
    }
    const std::string error = ReplaceFile(path.toStdString(), buffer.data().toStdString());
    return QString::fromStdString(error);
}

QString WriteScenePng(QGraphicsScene& scene, const QString& path) {
    const QRectF area = scene.sceneRect();
    // Twice the scene's size for sharp lines, within what an image can hold.
    const double scale = std::min(2.0, 16000.0 / std::max(area.width(), area.height()));
    QImage image((area.size() * scale).toSize(), QImage::Format_ARGB32);
    if (image.isNull()) {
        return QStringLiteral("the picture is too large for an image");
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter, QRectF(QPointF(0, 0), area.size() * scale), area);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return QStringLiteral("the image could not be encoded");
    }
    return QString::fromStdString(ReplaceFile(path.toStdString(), buffer.data().toStdString()));
}

void PaintSceneOnPage(QGraphicsScene& scene, QPainter& painter, const QRectF& page) {
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, page, scene.sceneRect(), Qt::KeepAspectRatio);
}

std::unique_ptr<QGraphicsScene> DrawNetwork(const drawing::NetworkPicture& picture,
                                            const PictureOptions& options, const QFont& font) {
    const drawing::ArcsToDraw choice = drawing::ChooseArcs(picture, options.hideEmpty);
    drawing::NetworkLayout layout;
    if (!choice.arcs.empty()) {
        layout = drawing::LayOutNetwork(LayoutInputFor(picture, choice, font));
    }
    return BuildNetworkScene(picture, choice, layout, options, font);
}

}  // namespace kova::app
