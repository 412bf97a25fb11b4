#include "platform/wake_up.h"

#include <windows.h>

namespace platform {

struct WakeUp::State {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr); // resets as a wait ends
};

WakeUp::WakeUp() : state(std::make_unique<State>()) {}

WakeUp::~WakeUp() {
    if (state->event != nullptr) {
        CloseHandle(state->event);
    }
}

bool WakeUp::isOpen() const {
    return state->event != nullptr;
}

void WakeUp::ring() noexcept {
    SetEvent(state->event);
}

void WakeUp::wait() {
    WaitForSingleObject(state->event, INFINITE);
}

} // namespace platform
