#pragma once
// The FLTK front end's message queue. FLTK delivers clicks and close requests to callbacks
// while it pumps its own events; the callbacks only queue a message here, and the
// application takes the messages one at a time and has them dispatched, so window
// procedures run exactly where they would under a Windows message loop.

#include <cstdint>
#include <deque>

#include "ui/ui.h"

namespace ui::fltk {

enum class PostedKind : std::uint8_t {
    Command, // a control of `window` was activated; `source` is the control
    Close,   // the close box of `window` was used
    Quit,    // the quit message; `code` is the exit code
};

struct Posted {
    PostedKind kind = PostedKind::Quit;
    WindowId window = NoWindow;
    WindowId source = NoWindow;
    int code = 0;
};

// What the front end keeps in a Message handed to the application.
Message toMessage(const Posted& posted);
Posted fromMessage(const Message& message);

class MessageQueue {
  public:
    void post(const Posted& posted) { queue.push_back(posted); }
    bool empty() const { return queue.empty(); }
    // The first message as the application sees it; false when there is none.
    bool peek(Message& message, bool remove);

  private:
    std::deque<Posted> queue;
};

} // namespace ui::fltk
