#pragma once
// The folder chooser of the desktop, for a program started from its menu with no folder.

#include <string>

#include "ui/front_end.h"

namespace ui::fltk {

// Asks for a folder (the display is open); `folder` receives the one chosen.
FolderChoice chooseFolder(std::string& folder);

} // namespace ui::fltk
