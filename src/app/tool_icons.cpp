#include "app/tool_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>
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

void Lines(QPainter& p, double x, double y, int count, double length) {
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (int i = 0; i < count; ++i) {
        p.drawLine(QPointF(x, y + 2 * i + 0.5), QPointF(x + length, y + 2 * i + 0.5));
    }
    p.setPen(QPen(kInk, 1));
}

}  // namespace

void UseDesktopIconTheme() {
    if (!QIcon::themeName().isEmpty()) {
        return;
    }
    QStringList paths = QIcon::themeSearchPaths();
    paths += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory);
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QStringLiteral("Adwaita"));
}

QIcon ToolIcon(int commandId) {
    // Standard commands look as the desktop draws them; the style's picture
    // stands in where the icon theme has none and the style has one.
    struct ThemeIcon {
        int id;
        const char* name;
        QStyle::StandardPixmap fallback;
    };
    static constexpr ThemeIcon kThemeIcons[] = {
        {ID_FILE_NEW, "document-new", QStyle::SP_FileIcon},
        {ID_FILE_OPEN, "document-open", QStyle::SP_DialogOpenButton},
        {ID_FILE_SAVE, "document-save", QStyle::SP_DialogSaveButton},
        {ID_EDIT_CUT, "edit-cut", QStyle::SP_CustomBase},
        {ID_EDIT_COPY, "edit-copy", QStyle::SP_CustomBase},
        {ID_EDIT_PASTE, "edit-paste", QStyle::SP_CustomBase},
        {ID_FILE_PRINT, "document-print", QStyle::SP_CustomBase},
        {ID_CONTEXT_HELP, "help-contextual", QStyle::SP_TitleBarContextHelpButton},
        {ID_APP_ABOUT, "help-about", QStyle::SP_MessageBoxInformation},
    };
    for (const ThemeIcon& icon : kThemeIcons) {
        if (icon.id != commandId) {
            continue;
        }
        const QIcon themed = QIcon::fromTheme(QString::fromLatin1(icon.name));
        if (!themed.isNull() || icon.fallback == QStyle::SP_CustomBase) {
            return themed;
        }
        return QApplication::style()->standardIcon(icon.fallback);
    }
    // KOVA's own commands.
    switch (commandId) {
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
        case ID_VIEW_NETWORK:
            return Draw([](QPainter& p) {
                // A small network with one wide flow.
                p.setPen(QPen(kInk, 1));
                p.drawLine(QPointF(3, 4), QPointF(13, 4));
                p.drawLine(QPointF(3, 4), QPointF(8, 13));
                p.setPen(QPen(kGreen, 2.5));
                p.drawLine(QPointF(8, 13), QPointF(13, 4));
                p.setPen(QPen(kInk, 1));
                p.setBrush(kYellow);
                for (const QPointF& node : {QPointF(3, 4), QPointF(13, 4), QPointF(8, 13)}) {
                    p.drawRect(QRectF(node.x() - 2, node.y() - 2, 4, 4));
                }
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
