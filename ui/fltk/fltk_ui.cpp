#include "ui/fltk/fltk_ui.h"

#include <chrono>
#include <utility>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/x.H>

#include "ui/classic_window.h"
#include "ui/fltk/controls.h"
#include "ui/fltk/display.h"
#include "ui/fltk/message_dialog.h"
#include "ui/fltk/window_icon.h"

namespace ui::fltk {
namespace {

constexpr int ControlTextSize = 12;
constexpr auto PumpInterval = std::chrono::milliseconds(4);
// The window class a desktop file's StartupWMClass names.
constexpr const char* WindowClass = "skinremap";

bool displayOpen() {
    return fl_display != nullptr;
}

// Window managers that don't match windows to installed desktop entries take the icon
// from the window itself.
void setIcon(Fl_Window& window) {
    Fl_PNG_Image icon(nullptr, windowIconPng, static_cast<int>(windowIconPngSize));
    if (icon.fail() == 0) {
        window.icon(&icon); // the window keeps a copy
    }
}

} // namespace

FltkUserInterface::FltkUserInterface() {
    if (displayOpen()) {
        previousHandler = setMessageBoxHandler(showMessageDialog);
        showsMessageBoxes = true;
    }
}

FltkUserInterface::~FltkUserInterface() {
    tellWhenConnectionLost(nullptr);
    if (showsMessageBoxes) {
        setMessageBoxHandler(previousHandler);
    }
}

// The size asked for is the outer one, frame included, as on Windows. The window manager
// adds its own frame around what FLTK draws, so the client area is what a Windows window
// of that size has, and the controls sit where they sit there.
WindowId FltkUserInterface::createMainWindow(const char* title, int width, int height,
                                             WindowEvents& events) {
    const Rect client = classicClientArea(width, height);
    auto window = std::make_unique<Fl_Double_Window>(client.right, client.bottom);
    window->end();
    window->copy_label(title); // FLTK would keep the caller's pointer otherwise
    window->xclass(WindowClass);
    setIcon(*window);
    window->callback(onClose, this);
    Entry entry;
    entry.kind = Kind::Window;
    entry.widget = window.get();
    entry.events = &events;
    entry.owned = std::move(window);
    const WindowId id = add(std::move(entry));
    if (!events.onCreate(id)) {
        forget(id);
        return NoWindow;
    }
    tellWhenConnectionLost(&events);
    return id;
}

void FltkUserInterface::showWindow(WindowId window) {
    // Without a display FLTK would end the process here; the window just stays hidden.
    if (Entry* entry = find(window, Kind::Window); entry != nullptr && displayOpen()) {
        entry->owned->show();
    }
}

void FltkUserInterface::updateWindow(WindowId window) {
    if (Entry* entry = find(window, Kind::Window); entry != nullptr) {
        entry->widget->redraw();
        Fl::flush();
    }
}

Rect FltkUserInterface::clientRect(WindowId window) {
    const Fl_Widget* shown = widget(window);
    return shown != nullptr ? Rect{0, 0, shown->w(), shown->h()} : Rect{};
}

int FltkUserInterface::scrollArrowHeight() {
    return ClassicScrollArrowHeight;
}

WindowId FltkUserInterface::createControl(WindowId parent, ControlKind kind, const char* text,
                                          int x, int y, int width, int height) {
    Entry* window = find(parent, Kind::Window);
    if (window == nullptr) {
        return NoWindow;
    }
    Entry entry;
    entry.parent = parent;
    switch (kind) {
    case ControlKind::ProgressBar:
        entry.kind = Kind::ProgressBar;
        entry.widget = new ProgressBar(x, y, width, height);
        break;
    case ControlKind::Label:
        entry.kind = Kind::Label;
        entry.widget = new PlainText(x, y, width, height, text);
        break;
    case ControlKind::Button:
        entry.kind = Kind::Button;
        entry.widget = new Fl_Button(x, y, width, height);
        entry.widget->copy_label(text);
        entry.widget->labelsize(ControlTextSize);
        entry.widget->callback(onActivate, this);
        break;
    }
    // From here on the window owns the widget and deletes it with itself.
    window->owned->add(entry.widget);
    entry.widget->redraw();
    return add(std::move(entry));
}

bool FltkUserInterface::peekMessage(Message& message, bool remove) {
    pumpEvents();
    return queue.peek(message, remove);
}

void FltkUserInterface::dispatchMessage(const Message& message) {
    const Posted posted = fromMessage(message);
    Entry* window = find(posted.window, Kind::Window);
    if (window == nullptr) {
        return; // the quit message, or one for a window that is gone
    }
    switch (posted.kind) {
    case PostedKind::Command:
        window->events->onCommand(posted.source);
        break;
    case PostedKind::Close:
        destroyWindow(posted.window);
        break;
    case PostedKind::Quit:
        break;
    }
}

void FltkUserInterface::pumpEvents() {
    // A conversion looks at the queue every 1,024 pixels, far more often than anyone can
    // click, and FLTK repaints whatever changed on each pump. A few hundred pumps a second
    // keep the window live without the repaints costing more than the conversion.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump < PumpInterval) {
        return;
    }
    lastPump = now;
    // Lets FLTK handle what the X server sent; its callbacks may queue messages.
    Fl::check();
}

void FltkUserInterface::postQuit(int exitCode) {
    queue.post({PostedKind::Quit, NoWindow, NoWindow, exitCode});
}

void FltkUserInterface::waitMessage() {
    while (queue.empty() && !woken.exchange(false)) {
        if (Fl::first_window() == nullptr) {
            // No window is left to send anything, so nothing would ever end the wait.
            postQuit(0);
            return;
        }
        Fl::wait();
    }
}

// FLTK lets another thread wake its loop only once the main thread has taken its lock,
// which every wait then lets go of while it sleeps.
void FltkUserInterface::startWatching() {
    Fl::lock();
}

void FltkUserInterface::wake() {
    woken = true;
    Fl::awake();
}

void FltkUserInterface::setText(WindowId control, const char* text) {
    const auto found = entries.find(control);
    if (found == entries.end()) {
        return;
    }
    Entry& entry = found->second;
    switch (entry.kind) {
    case Kind::Window:
        entry.owned->copy_label(text);
        break;
    case Kind::Label:
        static_cast<PlainText*>(entry.widget)->setText(text);
        break;
    case Kind::Button:
        entry.widget->copy_label(text);
        break;
    case Kind::ProgressBar:
        break; // a progress bar shows no text
    }
}

void FltkUserInterface::setProgressRange(WindowId bar, int minimum, int maximum) {
    if (Entry* entry = find(bar, Kind::ProgressBar); entry != nullptr) {
        static_cast<ProgressBar*>(entry->widget)->setRange(minimum, maximum);
    }
}

void FltkUserInterface::setProgressStep(WindowId bar, int step) {
    if (Entry* entry = find(bar, Kind::ProgressBar); entry != nullptr) {
        static_cast<ProgressBar*>(entry->widget)->setStep(step);
    }
}

void FltkUserInterface::stepProgress(WindowId bar) {
    if (Entry* entry = find(bar, Kind::ProgressBar); entry != nullptr) {
        static_cast<ProgressBar*>(entry->widget)->stepIt();
    }
}

MessageResult FltkUserInterface::messageBox(WindowId owner, const char* caption, const char* text,
                                            MessageIcon icon, MessageButtons buttons) {
    // A box with an owner holds up the program, as it holds up its window on Windows; so
    // does every box without a display, which goes to the console.
    if (owner != NoWindow || !showsMessageBoxes) {
        return showMessageBox(caption, text, icon, buttons);
    }
    // A box of its own leaves the main window usable: its button and close box go on
    // working, and closing the window closes the box too, as on Windows.
    return showModelessDialog(caption, text, icon, buttons, [this] { return dispatchWaiting(); });
}

bool FltkUserInterface::dispatchWaiting() {
    Message message;
    while (queue.peek(message, false)) {
        if (message.isQuit) {
            return false; // stays queued for the main loop
        }
        queue.peek(message, true);
        dispatchMessage(message);
    }
    return true;
}

Fl_Widget* FltkUserInterface::widget(WindowId id) const {
    const auto found = entries.find(id);
    return found != entries.end() ? found->second.widget : nullptr;
}

void FltkUserInterface::onClose(Fl_Widget* widget, void* self) {
    // FLTK closes a window on Escape; a Windows window does not.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
        return;
    }
    auto* ui = static_cast<FltkUserInterface*>(self);
    ui->queue.post({PostedKind::Close, ui->idOf(widget), NoWindow, 0});
}

void FltkUserInterface::onActivate(Fl_Widget* widget, void* self) {
    auto* ui = static_cast<FltkUserInterface*>(self);
    const WindowId source = ui->idOf(widget);
    const auto found = ui->entries.find(source);
    if (found != ui->entries.end()) {
        ui->queue.post({PostedKind::Command, found->second.parent, source, 0});
    }
}

WindowId FltkUserInterface::add(Entry entry) {
    const WindowId id = nextId++;
    entries.emplace(id, std::move(entry));
    return id;
}

WindowId FltkUserInterface::idOf(const Fl_Widget* widget) const {
    for (const auto& [id, entry] : entries) {
        if (entry.widget == widget) {
            return id;
        }
    }
    return NoWindow;
}

FltkUserInterface::Entry* FltkUserInterface::find(WindowId id, Kind kind) {
    const auto found = entries.find(id);
    return found != entries.end() && found->second.kind == kind ? &found->second : nullptr;
}

void FltkUserInterface::destroyWindow(WindowId window) {
    Entry& entry = entries.at(window);
    entry.owned->hide();
    // As on Windows, the procedure hears of the destruction while the controls still exist.
    entry.events->onDestroy();
    tellWhenConnectionLost(nullptr);
    forget(window);
}

void FltkUserInterface::forget(WindowId window) {
    std::erase_if(entries, [window](const auto& item) { return item.second.parent == window; });
    entries.erase(window); // deletes the window and, with it, its controls
}

} // namespace ui::fltk
