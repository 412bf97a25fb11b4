#pragma once
// The windowed front end, loaded when a display is named, for the start-up choice in
// front_end_posix.cpp.

#include <memory>
#include <string>

#include "ui/front_end.h"
#include "ui/ui.h"

namespace ui {

// The window system's front end, or null when no display can be opened or the program
// has no window module.
std::unique_ptr<UserInterface> openWindowFrontEnd();

// The window system's folder chooser, when a display can be opened.
FolderChoice chooseFolderInWindow(std::string& folder);

} // namespace ui
