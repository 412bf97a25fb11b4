#include "ui/fltk/message_queue.h"

#include <cstring>
#include <type_traits>

namespace ui::fltk {

static_assert(std::is_trivially_copyable_v<Posted>);
static_assert(sizeof(Posted) <= sizeof(Message::native), "a posted message must fit a Message");

Message toMessage(const Posted& posted) {
    Message message;
    message.isQuit = posted.kind == PostedKind::Quit;
    message.quitCode = message.isQuit ? posted.code : 0;
    std::memcpy(message.native.data(), &posted, sizeof posted);
    return message;
}

Posted fromMessage(const Message& message) {
    Posted posted;
    std::memcpy(&posted, message.native.data(), sizeof posted);
    return posted;
}

bool MessageQueue::peek(Message& message, bool remove) {
    if (queue.empty()) {
        return false;
    }
    message = toMessage(queue.front());
    if (remove) {
        queue.pop_front();
    }
    return true;
}

} // namespace ui::fltk
