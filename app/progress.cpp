#include "app/progress.h"

#include "app/format_text.h"
#include "app/texts.h"

namespace {

constexpr std::int64_t TickRange = std::int64_t{1} << 32; // the tick count wraps after 2^32 ms

// Milliseconds from `startTicks` to `ticks`. Only a step back of more than half the counter's
// range is a wrap; a smaller one is a clock that went back, and no time has gone.
std::int64_t ticksSince(std::uint32_t startTicks, std::uint32_t ticks) {
    const std::int64_t difference = std::int64_t{ticks} - startTicks;
    if (difference < -TickRange / 2) {
        return difference + TickRange;
    }
    return difference < 0 ? 0 : difference;
}

// Where a control sits, in client coordinates.
struct ControlPlace {
    int x;
    int y;
    int width;
    int height;
};

} // namespace

bool CreateControls(RemapperState& state, ui::WindowId parent) {
    ui::UserInterface& ui = state.ui;
    const int h = ui.scrollArrowHeight();
    const ui::Rect client = ui.clientRect(parent);

    // The bar fills the bottom edge; the two lines end where the button begins.
    const ControlPlace bar{client.left, client.bottom - h, client.right, h};
    const ControlPlace time{client.left + 10, 15, client.right - 80, 15};
    const ControlPlace file{client.left + 10, 35, client.right - 80, 20};
    const ControlPlace quit{client.right - 70, 20, 60, 30};

    using ui::ControlKind;
    state.progressBar =
        ui.createControl(parent, ControlKind::ProgressBar, "", bar.x, bar.y, bar.width, bar.height);
    state.timeLabel = ui.createControl(parent, ControlKind::Label, TimeLabelStart, time.x, time.y,
                                       time.width, time.height);
    state.fileLabel = ui.createControl(parent, ControlKind::Label, FormatText(FileText, ""), file.x,
                                       file.y, file.width, file.height);
    state.quitButton = ui.createControl(parent, ControlKind::Button, QuitText, quit.x, quit.y,
                                        quit.width, quit.height);
    ui.updateWindow(parent);
    return true;
}

float secondsRemaining(std::uint32_t ticks, std::uint32_t startTicks, float filesTotal,
                       float filesDone, float fileFraction) {
    // Each line is worked out in extended precision and rounded once, when it is stored.
    const auto elapsed = static_cast<float>(ticksSince(startTicks, ticks));
    const float projected =
        static_cast<float>(static_cast<long double>(filesTotal) * elapsed /
                           (static_cast<long double>(filesDone) + fileFraction));
    const float remaining = static_cast<float>(static_cast<long double>(projected) - elapsed);
    return static_cast<float>(static_cast<long double>(remaining) * 0.001);
}

bool UpdateProgress(RemapperState& state) {
    ui::UserInterface& ui = state.ui;
    ui::Message message;
    if (ui.peekMessage(message, false)) {
        if (message.isQuit) {
            return false;
        }
        if (ui.peekMessage(message, true)) {
            ui.dispatchMessage(message);
        }
    }
    if (state.filesTotal == 0.0f) {
        return true;
    }
    const float seconds = secondsRemaining(state.seams.tickCount(), state.startTicks,
                                           state.filesTotal, state.filesDone, state.fileFraction);
    ui.setText(state.timeLabel, FormatText(TimeText, static_cast<double>(seconds)));
    return true;
}
