#pragma once
// The user interface the program runs with, chosen for the system it runs on.

#include <memory>

#include "ui/ui.h"

namespace ui {

std::unique_ptr<UserInterface> openFrontEnd();

} // namespace ui
