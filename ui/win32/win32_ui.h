#pragma once
// The Windows front end: the main window class, its window procedure, the child controls,
// the message queue and message boxes, each a direct call into the system.

#include "ui/ui.h"

namespace ui {

// The window class the main window is registered under.
inline constexpr const char* MainClassName = "VaskorRemaper";

class Win32UserInterface final : public UserInterface {
  public:
    // Makes the common controls available and routes every message box of the program
    // (the assertion log's among them) to the system's boxes.
    Win32UserInterface();
    // Gives message boxes back to whichever handler was installed before.
    ~Win32UserInterface() override;
    Win32UserInterface(const Win32UserInterface&) = delete;
    Win32UserInterface& operator=(const Win32UserInterface&) = delete;

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
    // A message for the thread that made the interface, which no window handles.
    void wake() override;

    void setText(WindowId control, const char* text) override;
    void setProgressRange(WindowId bar, int minimum, int maximum) override;
    void setProgressStep(WindowId bar, int step) override;
    void stepProgress(WindowId bar) override;

    MessageResult messageBox(WindowId owner, const char* caption, const char* text,
                             MessageIcon icon, MessageButtons buttons) override;

  private:
    MessageBoxHandler previousHandler = nullptr;
    unsigned long thread; // the thread whose queue the windows use
};

} // namespace ui
