#include "platform/window_front_end.h"

namespace platform {

// Built without FLTK: every run is a console run.
std::unique_ptr<UserInterface> openWindowFrontEnd() {
    return nullptr;
}

} // namespace platform
