#include "ui/fltk/controls.h"

#include <FL/fl_draw.H>

namespace ui::fltk {
namespace {

constexpr int TextSize = 12;
constexpr int TextIndent = 1;
// Windows draws its progress bar in the selection blue.
constexpr Fl_Color BarColour = 0x316AC500;

} // namespace

PlainText::PlainText(int x, int y, int width, int height, const char* text, bool wrap)
    : Fl_Widget(x, y, width, height), content(text != nullptr ? text : ""), wrapped(wrap) {
    box(FL_NO_BOX);
    labelsize(TextSize);
}

void PlainText::setText(const char* text) {
    const char* newText = text != nullptr ? text : "";
    if (content == newText) {
        return; // the estimate is set far more often than it changes
    }
    content = newText;
    // The parent draws the background a shorter text leaves uncovered.
    if (parent() != nullptr) {
        parent()->damage(FL_DAMAGE_ALL, x(), y(), w(), h());
    }
    redraw();
}

void PlainText::draw() {
    fl_push_clip(x(), y(), w(), h());
    fl_font(labelfont(), labelsize());
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    constexpr bool drawSymbols = false;
    const Fl_Align align = FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP |
                           (wrapped ? FL_ALIGN_WRAP | FL_ALIGN_TOP : 0);
    fl_draw(content.c_str(), x() + TextIndent, y(), w() - TextIndent, h(), align, nullptr,
            drawSymbols);
    fl_pop_clip();
}

ProgressBar::ProgressBar(int x, int y, int width, int height) : Fl_Progress(x, y, width, height) {
    selection_color(BarColour);
    refresh();
}

void ProgressBar::setRange(int minimum, int maximum) {
    low = minimum;
    high = maximum;
    if (current < low) {
        current = low;
    }
    if (current > high) {
        current = high;
    }
    refresh();
}

void ProgressBar::stepIt() {
    const long long next = static_cast<long long>(current) + stepSize;
    if (next > high) {
        current = high > low ? static_cast<int>(low + (next - low) % (high - low)) : low;
    } else if (next < low) {
        current = low;
    } else {
        current = static_cast<int>(next);
    }
    refresh();
}

void ProgressBar::refresh() {
    minimum(static_cast<float>(low));
    maximum(static_cast<float>(high));
    value(static_cast<float>(current));
}

} // namespace ui::fltk
