#include "ui/fltk/message_dialog.h"

#include <algorithm>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include "ui/fltk/controls.h"

namespace ui::fltk {
namespace {

constexpr int Margin = 12;
constexpr int IconSize = 32;
constexpr int TextSize = 12;
constexpr int LongestLine = 360;
// Lines only break at spaces; a longer word (a long file name) is cut at this width.
constexpr int WidestText = 640;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 25;
constexpr Fl_Color ErrorRed = 0xC4262600;
constexpr Fl_Color InformationBlue = 0x1E64C800;

struct Answer {
    Fl_Window* dialog = nullptr;
    MessageResult result = MessageResult::Ok;
};

// Each button carries the result it gives; the dialog's own callback (Escape, close box)
// gives the result stored in the answer beforehand.
struct Choice {
    Answer* answer;
    MessageResult result;
};

void onButton(Fl_Widget*, void* data) {
    const auto* choice = static_cast<Choice*>(data);
    choice->answer->result = choice->result;
    choice->answer->dialog->hide();
}

void onDismiss(Fl_Widget* dialog, void*) {
    dialog->hide();
}

void makeIcon(MessageIcon icon) {
    auto* box = new Fl_Box(Margin, Margin, IconSize, IconSize);
    box->box(FL_OVAL_BOX);
    box->color(icon == MessageIcon::Error ? ErrorRed : InformationBlue);
    box->label(icon == MessageIcon::Error ? "X" : "i");
    box->labelcolor(FL_WHITE);
    box->labelfont(FL_HELVETICA_BOLD);
    box->labelsize(20);
}

MessageResult showDialog(const char* caption, const char* text, MessageIcon icon,
                         MessageButtons buttons, bool modal,
                         const std::function<bool()>& keepOpen) {
    fl_font(FL_HELVETICA, TextSize);
    int textWidth = LongestLine;
    int textHeight = 0;
    constexpr bool measureSymbols = false;
    fl_measure(text, textWidth, textHeight, measureSymbols);
    textWidth = std::clamp(textWidth + 2, 2 * ButtonWidth + Margin, WidestText);
    textHeight = std::max(textHeight, IconSize);

    const int width = Margin + IconSize + Margin + textWidth + Margin;
    const int height = Margin + textHeight + Margin + ButtonHeight + Margin;
    Fl_Window dialog(width, height, caption);
    Answer answer{&dialog, buttons == MessageButtons::RetryCancel ? MessageResult::Cancel
                                                                  : MessageResult::Ok};
    dialog.callback(onDismiss);

    makeIcon(icon);
    auto* message = new PlainText(2 * Margin + IconSize, Margin, textWidth, textHeight, text,
                                  /*wrap=*/true);
    message->labelsize(TextSize);

    const int buttonTop = height - Margin - ButtonHeight;
    int buttonLeft = width - Margin - ButtonWidth;
    Choice cancel{&answer, MessageResult::Cancel};
    if (buttons == MessageButtons::RetryCancel) {
        auto* button = new Fl_Button(buttonLeft, buttonTop, ButtonWidth, ButtonHeight, "Cancel");
        button->callback(onButton, &cancel);
        buttonLeft -= ButtonWidth + Margin / 2;
    }
    Choice confirm{&answer, buttons == MessageButtons::RetryCancel ? MessageResult::Retry
                                                                   : MessageResult::Ok};
    auto* defaultButton =
        new Fl_Return_Button(buttonLeft, buttonTop, ButtonWidth, ButtonHeight,
                             buttons == MessageButtons::RetryCancel ? "Retry" : "OK");
    defaultButton->callback(onButton, &confirm);
    dialog.end();

    // Put the default button under the pointer, as FLTK's own boxes do: the box is easy to
    // find and, without a window manager, receives the keyboard.
    dialog.hotspot(defaultButton);
    if (modal) {
        dialog.set_modal();
    } else {
        dialog.set_non_modal(); // kept above the other windows, without holding them up
    }
    dialog.show();
    while (dialog.shown() && keepOpen()) {
        Fl::wait();
    }
    return answer.result;
}

} // namespace

MessageResult showMessageDialog(const char* caption, const char* text, MessageIcon icon,
                                MessageButtons buttons) {
    return showDialog(caption, text, icon, buttons, true, [] { return true; });
}

MessageResult showModelessDialog(const char* caption, const char* text, MessageIcon icon,
                                 MessageButtons buttons, const std::function<bool()>& keepOpen) {
    return showDialog(caption, text, icon, buttons, false, keepOpen);
}

} // namespace ui::fltk
