#pragma once
// Following the names of one folder as programs change them, through the system's own
// notifications: nothing is polled, and a wait takes no processor time.

#include <memory>
#include <string>
#include <vector>

namespace platform {

class FolderWatch {
  public:
    // Starts following `folder` (the file layer's name). isOpen() is false when the system
    // can't follow it.
    explicit FolderWatch(const std::string& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool isOpen() const;

    struct Changes {
        // Files of the folder that were written, or renamed into it, each named once, in
        // the order first seen; in the file layer's naming.
        std::vector<std::string> names;
        // The system lost count of what happened: the whole folder must be looked at again.
        bool overflowed = false;
    };

    // Waits for the next changes, at most `timeout` milliseconds (-1: for ever), then takes
    // every change that came meanwhile; none when the time ran out. False, with nothing
    // taken, once stop() was called or the folder can no longer be followed. Where the
    // system says when a writer closed a file (Linux), a file is named once it is closed;
    // elsewhere as it is written, so that the caller must find out whether its writer is
    // done.
    bool wait(Changes& changes, int timeout = -1);

    // Ends the wait of another thread, and every later one. Safe from any thread.
    void stop();
    // Ends the wait of another thread, or the next one, as if its time ran out: it then
    // waits again with a time of its choosing. Safe from any thread.
    void nudge();

  private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace platform
