#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "app/tool_icons.h"
#include "gui/app_texts.h"
#include "gui/dialog_units.h"

namespace kova::app {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(gui::kAboutCaption));
    setFont(gui::ProportionalJapaneseFont(9));
    const gui::DialogUnits units(font());
    setFixedSize(units.Size(235, 85));

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setGeometry(QRect(units.Rect(11, 17, 0, 0).topLeft(), QSize(32, 32)));

    auto* version = new QLabel(QString::fromUtf8(gui::kAboutVersion), this);
    version->setObjectName(QStringLiteral("VersionText"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(units.Rect(40, 10, 119, 8));

    auto* notice = new QLabel(QString::fromUtf8(gui::kAboutNotice), this);
    notice->setObjectName(QStringLiteral("NoticeText"));
    notice->setGeometry(units.Rect(40, 25, 119, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(units.Rect(178, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kova::app
