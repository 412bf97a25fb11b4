#include "platform/loadable_module.h"

#include <dlfcn.h>

namespace platform {

// Never unloaded: a window library's exit handlers would run into unmapped code.
LoadableModule::LoadableModule(const std::string& path)
    : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {}

LoadableModule::~LoadableModule() {
    if (handle != nullptr) {
        dlclose(handle);
    }
}

bool LoadableModule::isOpen() const {
    return handle != nullptr;
}

void* LoadableModule::function(const char* name) const {
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}

} // namespace platform
