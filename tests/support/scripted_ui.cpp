#include "tests/support/scripted_ui.h"

#include <algorithm>

namespace testing_support {
namespace {

ScriptedUi* live = nullptr;

platform::Message actionMessage(UserAction action) {
    platform::Message message;
    message.native[0] = static_cast<std::byte>(action);
    return message;
}

const char* kindName(platform::ControlKind kind) {
    switch (kind) {
    case platform::ControlKind::ProgressBar:
        return "ProgressBar";
    case platform::ControlKind::Label:
        return "Label";
    case platform::ControlKind::Button:
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
                       [](const platform::Message& message) { return message.isQuit; });
}

platform::WindowId ScriptedUi::createMainWindow(const char* title, int width, int height,
                                                platform::WindowEvents& windowEvents) {
    log("createMainWindow " + std::string(title) + " " + std::to_string(width) + "x" +
        std::to_string(height));
    if (createFails) {
        return platform::NoWindow;
    }
    events = &windowEvents;
    const platform::WindowId window = nextId++;
    if (!events->onCreate(window)) {
        return platform::NoWindow;
    }
    log("created " + std::to_string(window));
    return window;
}

void ScriptedUi::showWindow(platform::WindowId window) {
    log("showWindow " + std::to_string(window));
}

void ScriptedUi::updateWindow(platform::WindowId window) {
    log("updateWindow " + std::to_string(window));
}

platform::Rect ScriptedUi::clientRect(platform::WindowId window) {
    log("clientRect " + std::to_string(window));
    return platform::Rect{0, 0, 434, 71};
}

int ScriptedUi::scrollArrowHeight() {
    log("scrollArrowHeight");
    return 17;
}

platform::WindowId ScriptedUi::createControl(platform::WindowId parent, platform::ControlKind kind,
                                             const char* text, int x, int y, int width,
                                             int height) {
    const platform::WindowId id = nextId++;
    // A control without text may be given none, as the system allows.
    const std::string shown = text != nullptr ? text : "";
    log("createControl " + std::to_string(parent) + " " + kindName(kind) + " '" + shown + "' " +
        std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
        std::to_string(height) + " -> " + std::to_string(id));
    if (kind == platform::ControlKind::Button) {
        quitButton = id;
    }
    return id;
}

bool ScriptedUi::peekMessage(platform::Message& message, bool remove) {
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

void ScriptedUi::dispatchMessage(const platform::Message& message) {
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
    platform::Message message;
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

void ScriptedUi::setText(platform::WindowId control, const char* text) {
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

void ScriptedUi::setProgressRange(platform::WindowId bar, int minimum, int maximum) {
    log("setProgressRange " + std::to_string(bar) + " " + std::to_string(minimum) + " " +
        std::to_string(maximum));
}

void ScriptedUi::setProgressStep(platform::WindowId bar, int step) {
    log("setProgressStep " + std::to_string(bar) + " " + std::to_string(step));
}

void ScriptedUi::stepProgress(platform::WindowId bar) {
    log("stepProgress " + std::to_string(bar));
}

platform::MessageResult ScriptedUi::messageBox(platform::WindowId owner, const char* caption,
                                               const char* text, platform::MessageIcon icon,
                                               platform::MessageButtons) {
    log("messageBox " + std::to_string(owner) + " " + caption + ": " + text +
        (icon == platform::MessageIcon::Error ? " (error)" : " (information)"));
    return platform::MessageResult::Ok;
}

namespace {

const char* nameOf(platform::LeftAloneReason reason) {
    using platform::LeftAloneReason;
    switch (reason) {
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
    }
    return "?";
}

} // namespace

void ScriptedUi::reportLeftAlone(const char* name, platform::LeftAloneReason reason) {
    log("reportLeftAlone " + std::string(name) + " " + nameOf(reason));
}

void ScriptedUi::reportFileCount(std::int32_t finished, std::int32_t total) {
    log("reportFileCount " + std::to_string(finished) + "/" + std::to_string(total));
}

void ScriptedUi::reportDistances(const platform::ColourDistances& reported) {
    log("reportDistances");
    distances.push_back(reported);
}

void ScriptedUi::reportPreviewFailed(const char* name, const char* why) {
    log("reportPreviewFailed " + std::string(name) + " (" + why + ")");
}

void ScriptedUi::reportSummary(const platform::RunSummary& result) {
    log("reportSummary");
    summary = result;
}

} // namespace testing_support
