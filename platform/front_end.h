#pragma once
// The front end this build shows the program through.

#include <memory>

#include "platform/ui.h"

namespace platform {

std::unique_ptr<UserInterface> openFrontEnd();

} // namespace platform
