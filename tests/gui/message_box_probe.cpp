// Shows one message box on the display and prints the answer, for gui_test.py:
//   message_box_probe ok|retry-cancel error|information
#include <cstdio>
#include <cstring>

#include "ui/fltk/display.h"
#include "ui/fltk/message_dialog.h"

int main(int argc, char** argv) {
    using namespace ui;
    if (argc != 3 || !fltk::openDisplay()) {
        std::fputs("usage: message_box_probe ok|retry-cancel error|information (needs X)\n",
                   stderr);
        return 2;
    }
    const auto buttons =
        std::strcmp(argv[1], "ok") == 0 ? MessageButtons::Ok : MessageButtons::RetryCancel;
    const auto icon =
        std::strcmp(argv[2], "error") == 0 ? MessageIcon::Error : MessageIcon::Information;
    const MessageResult result = fltk::showMessageDialog("Error", "Probe", icon, buttons);
    const char* names[] = {"ok", "retry", "cancel"};
    std::puts(names[static_cast<int>(result)]);
    return 0;
}
