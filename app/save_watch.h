#pragma once
// Following the folder of skins in watch mode. A thread of its own waits on the system's
// notifications and, once a burst of them has settled, wakes the main thread, which takes
// the names saved meanwhile: the skins, and whether the palette was saved.

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/folder_watch.h"
#include "ui/ui.h"

class SaveWatch {
  public:
    struct Saves {
        std::vector<std::string> skins; // *.bmp saved or renamed in, each once, in order
        bool palette = false;           // skins.ipl saved, whatever the case of its name
        bool rescan = false;            // the system lost count: every skin must be looked at
    };

    // Follows the current directory, waking `ui` whenever something was saved there.
    explicit SaveWatch(ui::UserInterface& ui);
    // Stops following and waits for the thread.
    ~SaveWatch();
    SaveWatch(const SaveWatch&) = delete;
    SaveWatch& operator=(const SaveWatch&) = delete;

    // False when the system can't follow the folder.
    bool isOpen() const;
    // What was saved since the last call; never waits.
    Saves take();
    // `name` could not be read yet, another program still writing it: it is offered again
    // after a moment, as if saved once more.
    void retryLater(const std::string& name);

  private:
    void run();
    // Waits for the next burst of changes to settle; false once the watch ends.
    bool nextBurst(platform::FolderWatch::Changes& burst);
    void keep(const platform::FolderWatch::Changes& burst);
    // -1 while nothing waits to be tried again; else how long until it is due.
    int millisecondsToRetry();

    ui::UserInterface& ui;
    platform::FolderWatch folder;
    std::mutex mutex;
    Saves saves;                      // not taken yet
    std::vector<std::string> retries; // offered again at retryDue
    std::chrono::steady_clock::time_point retryDue;
    std::thread thread; // last: it starts once everything else is ready
};
