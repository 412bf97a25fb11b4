#include "tests/support/scripted_ui.h"

#include <algorithm>

namespace testing_support {
namespace {

ScriptedUi* live = nullptr;

ui::Message actionMessage(UserAction action) {
    ui::Message message;
    message.native[0] = static_cast<std::byte>(action);
    return message;
}

const char* kindName(ui::ControlKind kind) {
    switch (kind) {
    case ui::ControlKind::ProgressBar:
        return "ProgressBar";
    case ui::ControlKind::Label:
        return "Label";
    case ui::ControlKind::Button:
        return "Button";
    }
    return "?";
}

} // namespace

ScriptedUi::ScriptedUi() {
    live = this;
}

ScriptedUi::~ScriptedUi() {
    live = nullptr;
}

std::uint32_t ScriptedUi::tick() {
    live->log("tickCount");
    return live->now;
}

void ScriptedUi::log(std::string line) {
    calls.push_back(std::move(line));
}

std::vector<std::string> ScriptedUi::callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
    return found;
}

int ScriptedUi::count(const std::string& prefix) const {
    return static_cast<int>(callsStartingWith(prefix).size());
}

void ScriptedUi::queue(UserAction action) {
    messages.push_back(actionMessage(action));
}

void ScriptedUi::queueOnText(const std::string& text, UserAction action) {
    onText.emplace_back(text, action);
}

void ScriptedUi::doOnText(const std::string& text, std::function<void()> step) {
    stepsOnText.emplace_back(text, std::move(step));
}

void ScriptedUi::loseConnection() {
    log("loseConnection");
    events->onConnectionLost();
}

bool ScriptedUi::quitWaiting() const {
    return std::any_of(messages.begin(), messages.end(),
                       [](const ui::Message& message) { return message.isQuit; });
}

ui::WindowId ScriptedUi::createMainWindow(const char* title, int width, int height,
                                          ui::WindowEvents& windowEvents) {
    log("createMainWindow " + std::string(title) + " " + std::to_string(width) + "x" +
        std::to_string(height));
    if (createFails) {
        return ui::NoWindow;
    }
    events = &windowEvents;
    const ui::WindowId window = nextId++;
    if (!events->onCreate(window)) {
        return ui::NoWindow;
    }
    log("created " + std::to_string(window));
    return window;
}

void ScriptedUi::showWindow(ui::WindowId window) {
    log("showWindow " + std::to_string(window));
}

void ScriptedUi::updateWindow(ui::WindowId window) {
    log("updateWindow " + std::to_string(window));
}

ui::Rect ScriptedUi::clientRect(ui::WindowId window) {
    log("clientRect " + std::to_string(window));
    return ui::Rect{0, 0, 434, 71};
}

int ScriptedUi::scrollArrowHeight() {
    log("scrollArrowHeight");
    return 17;
}

ui::WindowId ScriptedUi::createControl(ui::WindowId parent, ui::ControlKind kind, const char* text,
                                       int x, int y, int width, int height) {
    const ui::WindowId id = nextId++;
    // A control without text may be given none, as the system allows.
    const std::string shown = text != nullptr ? text : "";
    log("createControl " + std::to_string(parent) + " " + kindName(kind) + " '" + shown + "' " +
        std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
        std::to_string(height) + " -> " + std::to_string(id));
    if (kind == ui::ControlKind::Button) {
        quitButton = id;
    }
    return id;
}

bool ScriptedUi::peekMessage(ui::Message& message, bool remove) {
    log(remove ? "peekMessage remove" : "peekMessage keep");
    if (messages.empty()) {
        return false;
    }
    message = messages.front();
    if (remove) {
        messages.pop_front();
    }
    return true;
}

void ScriptedUi::dispatchMessage(const ui::Message& message) {
    if (message.isQuit) {
        return; // as a window system does: the quit message goes to no window
    }
    const auto action = static_cast<UserAction>(message.native[0]);
    switch (action) {
    case UserAction::PressQuit:
        log("dispatch PressQuit");
        events->onCommand(quitButton);
        break;
    case UserAction::Close:
        log("dispatch Close");
        events->onDestroy();
        break;
    case UserAction::Other:
        log("dispatch Other");
        break;
    }
}

void ScriptedUi::postQuit(int exitCode) {
    log("postQuit " + std::to_string(exitCode));
    ui::Message message;
    message.isQuit = true;
    message.quitCode = exitCode;
    messages.push_back(message);
}

void ScriptedUi::waitMessage() {
    log("waitMessage");
    if (messages.empty()) {
        postQuit(0);
    }
}

void ScriptedUi::setText(ui::WindowId control, const char* text) {
    log("setText " + std::to_string(control) + " " + text);
    const auto due = std::find_if(onText.begin(), onText.end(),
                                  [&](const auto& entry) { return entry.first == text; });
    if (due != onText.end()) {
        queue(due->second);
        onText.erase(due);
    }
    const auto step = std::find_if(stepsOnText.begin(), stepsOnText.end(),
                                   [&](const auto& entry) { return entry.first == text; });
    if (step != stepsOnText.end()) {
        const auto taken = std::move(step->second);
        stepsOnText.erase(step);
        taken();
    }
}

void ScriptedUi::setProgressRange(ui::WindowId bar, int minimum, int maximum) {
    log("setProgressRange " + std::to_string(bar) + " " + std::to_string(minimum) + " " +
        std::to_string(maximum));
}

void ScriptedUi::setProgressStep(ui::WindowId bar, int step) {
    log("setProgressStep " + std::to_string(bar) + " " + std::to_string(step));
}

void ScriptedUi::stepProgress(ui::WindowId bar) {
    log("stepProgress " + std::to_string(bar));
}

MessageResult ScriptedUi::messageBox(ui::WindowId owner, const char* caption, const char* text,
                                     MessageIcon icon, MessageButtons) {
    log("messageBox " + std::to_string(owner) + " " + caption + ": " + text +
        (icon == MessageIcon::Error ? " (error)" : " (information)"));
    return MessageResult::Ok;
}

namespace {

const char* nameOf(ui::LeftAloneReason reason) {
    using ui::LeftAloneReason;
    switch (reason) {
    case LeftAloneReason::ConvertedBefore:
        return "ConvertedBefore";
    case LeftAloneReason::NotTrueColour:
        return "NotTrueColour";
    case LeftAloneReason::NotABitmap:
        return "NotABitmap";
    case LeftAloneReason::PixelsMissing:
        return "PixelsMissing";
    case LeftAloneReason::TooLarge:
        return "TooLarge";
    case LeftAloneReason::ReadError:
        return "ReadError";
    case LeftAloneReason::NoReadPermission:
        return "NoReadPermission";
    case LeftAloneReason::NotRegularFile:
        return "NotRegularFile";
    case LeftAloneReason::Missing:
        return "Missing";
    case LeftAloneReason::TooManyOpenFiles:
        return "TooManyOpenFiles";
    case LeftAloneReason::OtherRun:
        return "OtherRun";
    }
    return "?";
}

} // namespace

void ScriptedUi::reportLeftAlone(const char* name, const ui::LeftAlone& why) {
    std::string call = "reportLeftAlone " + std::string(name) + " " + nameOf(why.reason);
    if (why.gamePalette >= 0) {
        call += ' ';
        call += std::to_string(why.gamePalette);
    }
    log(call);
}

void ScriptedUi::reportFileCount(std::int32_t finished, std::int32_t total) {
    log("reportFileCount " + std::to_string(finished) + "/" + std::to_string(total));
}

void ScriptedUi::reportDistances(const ui::ColourDistances& reported) {
    log("reportDistances");
    distances.push_back(reported);
}

void ScriptedUi::reportPreviewFailed(const char* name, const char* why) {
    log("reportPreviewFailed " + std::string(name) + " (" + why + ")");
}

void ScriptedUi::reportSummary(const ui::RunSummary& result) {
    log("reportSummary");
    summary = result;
}

} // namespace testing_support
