// The FLTK window's entry points, as the program finds them in the module it loads.

#include <type_traits>

#include "ui/fltk/display.h"
#include "ui/fltk/fltk_ui.h"
#include "ui/fltk/folder_chooser.h"
#include "ui/window_module.h"

extern "C" {

ui::UserInterface* skinremapOpenWindow() {
    if (!ui::fltk::openDisplay()) {
        return nullptr;
    }
    return new ui::fltk::FltkUserInterface();
}

ui::FolderChoice skinremapChooseFolder(std::string& folder) {
    if (!ui::fltk::openDisplay()) {
        return ui::FolderChoice::NoWindow;
    }
    return ui::fltk::chooseFolder(folder);
}

} // extern "C"

// The program calls these through the types it knows them by.
static_assert(std::is_same_v<decltype(&skinremapOpenWindow), ui::window_module::OpenWindow>);
static_assert(std::is_same_v<decltype(&skinremapChooseFolder), ui::window_module::ChooseFolder>);
