// The tests' scripted window keeps the promises of a real front end, so that what the
// remapper's tests learn from it holds for the real ones.

#include "tests/support/scripted_ui.h"

#include "tests/ui/user_interface_contract.h"

using testing_support::ScriptedUi;
using testing_support::UserAction;

class ScriptedFrontEnd {
  public:
    // Like the console, nothing reaches it but what a test queues.
    static constexpr bool EndsRunWhenIdle = true;
    ui::UserInterface& ui() { return scripted; }
    void close(ui::WindowId) { scripted.queue(UserAction::Close); }
    // The scripted window's one button is "Quit".
    void click(ui::WindowId) { scripted.queue(UserAction::PressQuit); }

  private:
    ScriptedUi scripted;
};

namespace front_end_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Scripted, UserInterfaceContract, ScriptedFrontEnd);
INSTANTIATE_TYPED_TEST_SUITE_P(Scripted, ButtonContract, ScriptedFrontEnd);
} // namespace front_end_contract
