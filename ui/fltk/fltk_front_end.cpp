#include "ui/fltk/display.h"
#include "ui/fltk/fltk_ui.h"
#include "ui/fltk/folder_chooser.h"
#include "ui/window_front_end.h"

namespace ui {

std::unique_ptr<UserInterface> openWindowFrontEnd() {
    if (!fltk::openDisplay()) {
        return nullptr;
    }
    return std::make_unique<fltk::FltkUserInterface>();
}

FolderChoice chooseFolderInWindow(std::string& folder) {
    if (!fltk::openDisplay()) {
        return FolderChoice::NoWindow;
    }
    return fltk::chooseFolder(folder);
}

} // namespace ui
