#include "ui/front_end.h"

#include "ui/win32/win32_ui.h"

namespace ui {

std::unique_ptr<UserInterface> openFrontEnd() {
    return std::make_unique<Win32UserInterface>();
}

// Windows programs are given their folder by Explorer (a folder dropped on the program, a
// shortcut's "Start in"); nothing starts this one to ask.
FolderChoice chooseFolder(std::string&) {
    return FolderChoice::NoWindow;
}

} // namespace ui
