#pragma once
// The user interface the program runs with, chosen for the system it runs on.

#include <memory>

#include "platform/ui.h"

namespace platform {

std::unique_ptr<UserInterface> openFrontEnd();

} // namespace platform
