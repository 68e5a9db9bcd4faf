// Tool-bar and application icons, drawn here so that no image is borrowed.
#pragma once

#include <QIcon>

namespace kova::app {

// The 16 by 16 picture of a tool-bar command; a null icon for others.
QIcon ToolIcon(int commandId);
// The application's own icon (a small network), at the usual sizes.
QIcon ApplicationIcon();

}  // namespace kova::app
