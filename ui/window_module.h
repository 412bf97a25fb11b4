#pragma once
// The window as a module of its own, which the program loads only when a display is there
// to use, so that a console run loads none of the window system's libraries: the module's
// file name and its two entry points, for the module and for the program that loads it.

#include <string>

#include "ui/front_end.h"
#include "ui/ui.h"

namespace ui::window_module {

inline constexpr const char* FileName = "skinremap-window.so";
// Where the module is found, from the program's folder: beside it in a build tree; in the
// program's private folder once installed.
inline constexpr const char* Places[] = {"/", "/../libexec/skinremap/"};

// A new front end of its own, or null when no display can be opened.
inline constexpr const char* OpenWindowName = "skinremapOpenWindow";
using OpenWindow = UserInterface* (*)();

// The window system's folder chooser.
inline constexpr const char* ChooseFolderName = "skinremapChooseFolder";
using ChooseFolder = FolderChoice (*)(std::string& folder);

} // namespace ui::window_module
