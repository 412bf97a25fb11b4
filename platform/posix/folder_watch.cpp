#include "platform/folder_watch.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform {
namespace {

// A save is a file closed after writing, or one renamed in (editors that write a temporary
// and rename it over the file). Creation alone is not: the file is still empty then.
constexpr std::uint32_t Watched = IN_CLOSE_WRITE | IN_MOVED_TO;

// Room for many events at once; the kernel never splits one across reads.
constexpr std::size_t BufferSize = 64 * (sizeof(inotify_event) + NAME_MAX + 1);

void closeIfOpen(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

void addOnce(std::vector<std::string>& names, std::string name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
    }
}

} // namespace

struct FolderWatch::State {
    int events = -1;  // the inotify instance
    int stopper = -1; // an eventfd that stop() makes readable
    int nudger = -1;  // an eventfd that nudge() makes readable
};

namespace {

void ring(int eventfd) {
    if (eventfd >= 0) {
        const std::uint64_t one = 1;
        static_cast<void>(::write(eventfd, &one, sizeof one));
    }
}

} // namespace

FolderWatch::FolderWatch(const std::string& folder) : state(std::make_unique<State>()) {
    state->events = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    state->stopper = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    state->nudger = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state->events < 0 || state->stopper < 0 || state->nudger < 0 ||
        inotify_add_watch(state->events, folder.c_str(), Watched | IN_ONLYDIR) < 0) {
        closeIfOpen(state->events);
        closeIfOpen(state->stopper);
        closeIfOpen(state->nudger);
        state->events = state->stopper = state->nudger = -1;
    }
}

FolderWatch::~FolderWatch() {
    closeIfOpen(state->events);
    closeIfOpen(state->stopper);
    closeIfOpen(state->nudger);
}

bool FolderWatch::isOpen() const {
    return state->events >= 0;
}

void FolderWatch::stop() {
    ring(state->stopper);
}

void FolderWatch::nudge() {
    ring(state->nudger);
}

bool FolderWatch::wait(Changes& changes, int timeout) {
    changes = Changes{};
    if (!isOpen()) {
        return false;
    }
    std::array<pollfd, 3> waiting{pollfd{state->events, POLLIN, 0},
                                  pollfd{state->stopper, POLLIN, 0},
                                  pollfd{state->nudger, POLLIN, 0}};
    while (changes.names.empty() && !changes.overflowed) {
        const int ready = poll(waiting.data(), waiting.size(), timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (ready == 0) {
            return true; // the time ran out
        }
        if (waiting[1].revents != 0) {
            return false;
        }
        if (waiting[2].revents != 0) {
            std::uint64_t nudges = 0;
            static_cast<void>(::read(state->nudger, &nudges, sizeof nudges));
            return true;
        }
        if ((waiting[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return false;
        }
        alignas(inotify_event) std::array<char, BufferSize> buffer;
        for (;;) {
            const ssize_t got = ::read(state->events, buffer.data(), buffer.size());
            if (got <= 0) {
                break;
            }
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if ((event->mask & IN_Q_OVERFLOW) != 0) {
                    changes.overflowed = true;
                } else if ((event->mask & IN_IGNORED) != 0) {
                    return false; // the folder itself went away
                } else if (event->len > 0 && (event->mask & IN_ISDIR) == 0) {
                    addOnce(changes.names, event->name);
                }
            }
        }
    }
    return true;
}

} // namespace platform
