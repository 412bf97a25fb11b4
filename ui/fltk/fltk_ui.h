#pragma once
// The main window on Linux, drawn with FLTK 1.3: the geometry and texts the application
// asks for (the client area of a Windows window of the size asked), and a message queue
// with the semantics of the Windows one. FLTK callbacks only
// queue messages; the application takes them one at a time, so its window procedure runs
// where it would run under Windows (from the main loop, or nested in a conversion).

#include <atomic>
#include <chrono>
#include <map>
#include <memory>

#include <FL/Fl_Window.H>

#include "ui/fltk/message_queue.h"
#include "ui/ui.h"

namespace ui::fltk {

class FltkUserInterface final : public UserInterface {
  public:
    // With the display open (see display.h) this also shows the program's message boxes,
    // until it is destroyed. Without one, windows are made but never shown: that is how
    // the tests drive it.
    FltkUserInterface();
    ~FltkUserInterface() override;
    FltkUserInterface(const FltkUserInterface&) = delete;
    FltkUserInterface& operator=(const FltkUserInterface&) = delete;

    WindowId createMainWindow(const char* title, int width, int height,
                              WindowEvents& events) override;
    void showWindow(WindowId window) override;
    void updateWindow(WindowId window) override;
    Rect clientRect(WindowId window) override;
    int scrollArrowHeight() override;
    WindowId createControl(WindowId parent, ControlKind kind, const char* text, int x, int y,
                           int width, int height) override;

    bool peekMessage(Message& message, bool remove) override;
    void dispatchMessage(const Message& message) override;
    void postQuit(int exitCode) override;
    void waitMessage() override;
    void startWatching() override;
    void wake() override;

    void setText(WindowId control, const char* text) override;
    void setProgressRange(WindowId bar, int minimum, int maximum) override;
    void setProgressStep(WindowId bar, int step) override;
    void stepProgress(WindowId bar) override;

    MessageResult messageBox(WindowId owner, const char* caption, const char* text,
                             MessageIcon icon, MessageButtons buttons) override;

    // The FLTK widget behind a handle, or null once it is gone; for the tests.
    Fl_Widget* widget(WindowId id) const;

  private:
    enum class Kind { Window, ProgressBar, Label, Button };
    struct Entry {
        Kind kind = Kind::Window;
        Fl_Widget* widget = nullptr;
        WindowId parent = NoWindow;       // controls: their window
        WindowEvents* events = nullptr;   // windows: their procedure
        std::unique_ptr<Fl_Window> owned; // windows own their controls
    };

    static void onClose(Fl_Widget* widget, void* self);
    static void onActivate(Fl_Widget* widget, void* self);

    // While a box without an owner is open: hands the queued messages to their windows, as
    // the system's box does. False once the quit message is waiting.
    bool dispatchWaiting();
    // Lets FLTK handle X events, at most every few milliseconds.
    void pumpEvents();
    WindowId add(Entry entry);
    WindowId idOf(const Fl_Widget* widget) const;
    Entry* find(WindowId id, Kind kind);
    void destroyWindow(WindowId window);
    // Drops a window and its controls.
    void forget(WindowId window);

    std::map<WindowId, Entry> entries;
    WindowId nextId = 1;
    MessageQueue queue;
    std::atomic<bool> woken{false}; // a wake() came that no wait has seen yet
    std::chrono::steady_clock::time_point lastPump;
    bool showsMessageBoxes = false;
    MessageBoxHandler previousHandler = nullptr;
};

} // namespace ui::fltk
