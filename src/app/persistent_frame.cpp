#include "app/persistent_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdio>

#include "settings/settings_store.h"
#include "text/c_runtime.h"

namespace kova::app {
namespace {

const std::string kSection = "Window size";
const std::string kBarSection = "Bar State";

// A rectangle that no screen shows is put back at the default place.
bool OnSomeScreen(const QRect& rect) {
    const auto screens = QGuiApplication::screens();
    if (screens.isEmpty()) {
        return true;
    }
    for (const QScreen* screen : screens) {
        if (screen->virtualGeometry().intersects(rect)) {
            return true;
        }
    }
    return false;
}

}  // namespace

CPersistentFrame::CPersistentFrame(SettingsStore& store, QWidget* parent)
    : QMainWindow(parent), store_(store) {}

std::string CPersistentFrame::FormatRect(const QRect& rect) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d %04d %04d %04d", rect.left(), rect.top(),
                  rect.left() + rect.width(), rect.top() + rect.height());
    return text;
}

std::optional<QRect> CPersistentFrame::ParseRect(const std::string& text) {
    if (text.size() < 16) {
        return std::nullopt;
    }
    const int left = Atoi(text.substr(0));
    const int top = Atoi(text.substr(5));
    const int right = Atoi(text.substr(10));
    const int bottom = Atoi(text.substr(15));
    const long long width = static_cast<long long>(right) - left;
    const long long height = static_cast<long long>(bottom) - top;
    if (width <= 0 || height <= 0 || width > 100000 || height > 100000) {
        return std::nullopt;
    }
    return QRect(left, top, static_cast<int>(width), static_cast<int>(height));
}

void CPersistentFrame::ActivateFrame(Qt::WindowStates requested) {
    if (!m_bFirstTime) {
        setWindowState(requested);
        show();
        return;
    }
    m_bFirstTime = false;
    QRect normal = kDefaultRect;
    if (const auto stored = store_.ReadString(kSection, "Rect"); stored && !stored->empty()) {
        if (const auto parsed = ParseRect(*stored); parsed && OnSomeScreen(*parsed)) {
            normal = *parsed;
        }
    }
    const bool icon = store_.ReadInt(kSection, "icon", 0) != 0;
    const bool max = store_.ReadInt(kSection, "max", 0) != 0;

    LoadBarState();
    setGeometry(normal);
    if (icon) {
        // Minimised and not activated; restoring it maximises it when max is set.
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        setWindowState(Qt::WindowMinimized | (max ? Qt::WindowMaximized : Qt::WindowNoState));
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    } else if (max) {
        showMaximized();
    } else {
        showNormal();
    }
}

void CPersistentFrame::OnDestroy() {
    const Qt::WindowStates state = windowState();
    int icon = 0;
    int max = 0;
    if (state & Qt::WindowMinimized) {
        icon = 1;
        max = (state & Qt::WindowMaximized) ? 1 : 0;
    } else if (state & Qt::WindowMaximized) {
        max = 1;
    }
    const QRect normal =
        (state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
            ? normalGeometry()
            : geometry();
    store_.WriteString(kSection, "Rect", FormatRect(normal.isValid() ? normal : geometry()));
    store_.WriteInt(kSection, "icon", icon);
    store_.WriteInt(kSection, "max", max);
    SaveBarState();
}

void CPersistentFrame::SaveBarState() {
    store_.WriteString(kBarSection, "State", saveState().toBase64().toStdString());
}

void CPersistentFrame::LoadBarState() {
    if (const auto state = store_.ReadString(kBarSection, "State")) {
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
    }
}

}  // namespace kova::app
