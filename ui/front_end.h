#pragma once
// The user interface the program runs with, chosen for the system it runs on.

#include <memory>
#include <string>

#include "ui/ui.h"

namespace ui {

std::unique_ptr<UserInterface> openFrontEnd();

enum class FolderChoice {
    Chosen,
    Cancelled,
    // No window to ask in: no display, or a build without the window.
    NoWindow,
};

// Asks the user for the folder of skins in the system's folder chooser; `folder` receives
// the one chosen.
FolderChoice chooseFolder(std::string& folder);

} // namespace ui
