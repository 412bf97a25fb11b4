#pragma once
// The main window's procedure: what the remapper does when the window is made, when its
// button is pressed and when it goes.

#include "app/remapper_state.h"
#include "ui/ui.h"

class MainWindowEvents final : public ui::WindowEvents {
  public:
    explicit MainWindowEvents(RemapperState& state) : state(state) {}

    // Takes the start time, makes the controls and the list of skins.
    bool onCreate(ui::WindowId window) override;
    // The "Quit" button ends the run after the current step.
    void onCommand(ui::WindowId source) override;
    // Closing the window ends the run through the quit message.
    void onDestroy() override;
    // The skins converted before the display went are put in place; the one in hand is not.
    void onConnectionLost() override;

  private:
    RemapperState& state;
};
