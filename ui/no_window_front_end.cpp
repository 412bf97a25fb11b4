#include "ui/window_front_end.h"

namespace ui {

// Built without FLTK: every run is a console run.
std::unique_ptr<UserInterface> openWindowFrontEnd() {
    return nullptr;
}

FolderChoice chooseFolderInWindow(std::string&) {
    return FolderChoice::NoWindow;
}

} // namespace ui
