#include "app/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "app/command_table.h"

namespace kova::app {
namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 250);
const QColor kBlue(40, 90, 170);
const QColor kYellow(230, 190, 60);
const QColor kGreen(40, 140, 70);

QIcon Draw(const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, scale > 1);
        painter.scale(scale, scale);
        painter.setPen(QPen(kInk, 1));
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Page(QPainter& p, double x, double y, double w, double h) {
    QPainterPath path;
    path.moveTo(x + 0.5, y + 0.5);
    path.lineTo(x + w - 3.5, y + 0.5);
    path.lineTo(x + w - 0.5, y + 3.5);
    path.lineTo(x + w - 0.5, y + h - 0.5);
    path.lineTo(x + 0.5, y + h - 0.5);
    path.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(path);
}

void Lines(QPainter& p, double x, double y, int count, double length) {
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (int i = 0; i < count; ++i) {
        p.drawLine(QPointF(x, y + 2 * i + 0.5), QPointF(x + length, y + 2 * i + 0.5));
    }
    p.setPen(QPen(kInk, 1));
}

}  // namespace

QIcon ToolIcon(int commandId) {
    switch (commandId) {
        case ID_FILE_NEW:
            return Draw([](QPainter& p) {
                Page(p, 3, 1, 11, 14);
                p.setPen(QPen(kYellow, 2));
                p.drawLine(QPointF(11, 1), QPointF(15, 5));
            });
        case ID_FILE_OPEN:
            return Draw([](QPainter& p) {
                p.setBrush(kYellow);
                p.drawRect(QRectF(1.5, 4.5, 12, 9));
                p.setBrush(QColor(250, 220, 120));
                p.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5),
                                         QPointF(1.5, 13.5)}));
            });
        case ID_FILE_SAVE:
            return Draw([](QPainter& p) {
                p.setBrush(kBlue);
                p.drawRect(QRectF(1.5, 1.5, 13, 13));
                p.setBrush(kPaper);
                p.drawRect(QRectF(4.5, 1.5, 7, 5));
                p.setBrush(QColor(200, 200, 200));
                p.drawRect(QRectF(3.5, 9.5, 9, 5));
            });
        case ID_EDIT_CUT:
            return Draw([](QPainter& p) {
                p.drawLine(QPointF(5, 1), QPointF(11, 10));
                p.drawLine(QPointF(11, 1), QPointF(5, 10));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
                p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
            });
        case ID_EDIT_COPY:
            return Draw([](QPainter& p) {
                Page(p, 1, 1, 9, 11);
                Page(p, 6, 4, 9, 11);
                Lines(p, 8, 8, 3, 5);
            });
        case ID_EDIT_PASTE:
            return Draw([](QPainter& p) {
                p.setBrush(QColor(180, 130, 70));
                p.drawRect(QRectF(1.5, 2.5, 10, 12));
                p.setBrush(QColor(200, 200, 200));
                p.drawRect(QRectF(4.5, 1.5, 4, 2));
                Page(p, 7, 6, 8, 9);
            });
        case ID_RUN_OPTIMIZATION:
            return Draw([](QPainter& p) {
                // Flow from a source to a sink through two ways.
                p.setPen(QPen(kGreen, 1.5));
                p.drawLine(QPointF(3, 8), QPointF(8, 3));
                p.drawLine(QPointF(3, 8), QPointF(8, 13));
                p.drawLine(QPointF(8, 3), QPointF(13, 8));
                p.drawLine(QPointF(8, 13), QPointF(13, 8));
                p.setPen(QPen(kInk, 1));
                p.setBrush(kBlue);
                for (const QPointF& node : {QPointF(3, 8), QPointF(8, 3), QPointF(8, 13)}) {
                    p.drawEllipse(node, 2, 2);
                }
                p.setBrush(kGreen);
                p.drawEllipse(QPointF(13, 8), 2.5, 2.5);
            });
        case ID_INIT_SETTINGS:
            return Draw([](QPainter& p) {
                // Three sliders.
                for (int i = 0; i < 3; ++i) {
                    const double y = 3.5 + 4.5 * i;
                    p.drawLine(QPointF(2, y), QPointF(14, y));
                    p.setBrush(kYellow);
                    const double knob = 4 + 4 * ((i + 1) % 3);
                    p.drawRect(QRectF(knob - 1.5, y - 2, 3, 4));
                }
            });
        case ID_SHOW_RESULTS:
            return Draw([](QPainter& p) {
                p.setBrush(kPaper);
                p.drawRect(QRectF(1.5, 2.5, 13, 11));
                p.setBrush(kBlue);
                p.drawRect(QRectF(1.5, 2.5, 13, 3));
                p.drawLine(QPointF(6, 5.5), QPointF(6, 13.5));
                Lines(p, 7.5, 7.5, 3, 5.5);
            });
        case ID_FILE_PRINT:
            return Draw([](QPainter& p) {
                Page(p, 4, 1, 8, 6);
                p.setBrush(QColor(170, 170, 170));
                p.drawRect(QRectF(1.5, 6.5, 13, 6));
                Page(p, 4, 10, 8, 5);
                p.setBrush(kGreen);
                p.drawRect(QRectF(11.5, 7.5, 1.5, 1.5));
            });
        case ID_CONTEXT_HELP:
            return Draw([](QPainter& p) {
                p.setBrush(kPaper);
                p.drawPolygon(
                    QPolygonF({QPointF(1.5, 1.5), QPointF(1.5, 12.5), QPointF(4.5, 9.5),
                               QPointF(7, 14), QPointF(8.5, 13), QPointF(6.5, 9), QPointF(10, 9)}));
                QFont font = p.font();
                font.setPixelSize(9);
                font.setBold(true);
                p.setFont(font);
                p.setPen(kBlue);
                p.drawText(QRectF(9, 0, 7, 10), Qt::AlignCenter, QStringLiteral("?"));
            });
        case ID_APP_ABOUT:
            return Draw([](QPainter& p) {
                p.setBrush(kBlue);
                p.setPen(Qt::NoPen);
                p.drawEllipse(QRectF(1, 1, 14, 14));
                p.setBrush(Qt::white);
                p.drawRect(QRectF(7, 6.5, 2, 6));
                p.drawRect(QRectF(7, 3.5, 2, 2));
            });
        default:
            return QIcon();
    }
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 60, 110));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        p.setPen(QPen(QColor(120, 210, 140), 5));
        const QPointF a(14, 32), b(32, 14), c(32, 50), d(50, 32);
        p.drawLine(a, b);
        p.drawLine(a, c);
        p.drawLine(b, d);
        p.drawLine(c, d);
        p.drawLine(b, c);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 250, 250));
        for (const QPointF& node : {a, b, c}) {
            p.drawEllipse(node, 6.5, 6.5);
        }
        p.setBrush(QColor(240, 200, 70));
        p.drawEllipse(d, 7.5, 7.5);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace kova::app
