#include "core/message_box.h"

#include <cstdio>

#include "core/printable_text.h"
namespace {

MessageBoxHandler installed = nullptr;

} // namespace

MessageResult consoleMessageBox(const char* caption, const char* text, MessageIcon,
                                MessageButtons buttons) {
    std::fprintf(stderr, "%s: %s\n", caption, printableText(text).c_str());
    std::fflush(stderr);
    return buttons == MessageButtons::RetryCancel ? MessageResult::Cancel : MessageResult::Ok;
}

MessageResult showMessageBox(const char* caption, const char* text, MessageIcon icon,
                             MessageButtons buttons) {
    const MessageBoxHandler handler = installed != nullptr ? installed : consoleMessageBox;
    return handler(caption, text, icon, buttons);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    const MessageBoxHandler previous = installed;
    installed = handler;
    return previous;
}
