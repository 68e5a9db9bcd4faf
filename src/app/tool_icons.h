// Tool-bar and application icons: the icon theme's for the standard
// commands, drawn here for KOVA's own and for the application.
#pragma once

#include <QIcon>

namespace kova::app {

// The standard pictures come from the desktop's icon theme. Where no desktop
// names one (offscreen, bare sessions), this names the common freedesktop
// theme in the system's icon folders.
void UseDesktopIconTheme();
// The picture of a tool-bar command; a null icon for others.
QIcon ToolIcon(int commandId);
// The application's own icon (a small network), at the usual sizes.
QIcon ApplicationIcon();

}  // namespace kova::app
