#include "ui/window_front_end.h"

#include <cstdlib>

#include "platform/loadable_module.h"
#include "platform/process.h"
#include "ui/window_module.h"

namespace ui {
namespace {

// Without a display named there is nothing to load the window for.
bool displayNamed() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

// The window module, loaded at the first call; null when the build has none or it can't be
// loaded, and the program works on the console.
const platform::LoadableModule* windowModule() {
    static const auto loaded = [] {
        const std::string directory = platform::programDirectory();
        for (const char* place : window_module::Places) {
            auto module = std::make_unique<platform::LoadableModule>(directory + place +
                                                                     window_module::FileName);
            if (module->isOpen()) {
                return module;
            }
        }
        return std::unique_ptr<platform::LoadableModule>();
    }();
    return loaded.get();
}

template <typename Function> Function entryPoint(const char* name) {
    const platform::LoadableModule* module = displayNamed() ? windowModule() : nullptr;
    return module != nullptr ? reinterpret_cast<Function>(module->function(name)) : nullptr;
}

} // namespace

std::unique_ptr<UserInterface> openWindowFrontEnd() {
    const auto open = entryPoint<window_module::OpenWindow>(window_module::OpenWindowName);
    return std::unique_ptr<UserInterface>(open != nullptr ? open() : nullptr);
}

FolderChoice chooseFolderInWindow(std::string& folder) {
    const auto choose = entryPoint<window_module::ChooseFolder>(window_module::ChooseFolderName);
    return choose != nullptr ? choose(folder) : FolderChoice::NoWindow;
}

} // namespace ui
