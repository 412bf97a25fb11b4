#include "platform/wake_up.h"

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

// A pipe to itself: a write is all a signal handler may do, and a poll sleeps until one.
struct WakeUp::State {
    std::array<int, 2> pipe{-1, -1};
};

WakeUp::WakeUp() : state(std::make_unique<State>()) {
    if (::pipe2(state->pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        state->pipe = {-1, -1};
    }
}

WakeUp::~WakeUp() {
    for (const int end : state->pipe) {
        if (end >= 0) {
            ::close(end);
        }
    }
}

bool WakeUp::isOpen() const {
    return state->pipe[0] >= 0;
}

void WakeUp::ring() noexcept {
    const char bell = 1;
    // A full pipe has been rung already.
    static_cast<void>(::write(state->pipe[1], &bell, 1));
}

void WakeUp::wait() {
    pollfd waiting{state->pipe[0], POLLIN, 0};
    while (::poll(&waiting, 1, -1) < 0 && errno == EINTR) {
    }
    std::array<char, 64> rings;
    while (::read(state->pipe[0], rings.data(), rings.size()) > 0) {
    }
}

} // namespace platform
