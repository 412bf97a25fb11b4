#pragma once
// Code of the program's own that it loads only when it needs it: the window and the
// libraries behind it cost a console run nothing.

#include <memory>
#include <string>

namespace platform {

class LoadableModule {
  public:
    // Loads the module at `path`, with every symbol it needs resolved now. isOpen() is
    // false when it can't be had. It stays loaded until the process ends.
    explicit LoadableModule(const std::string& path);
    ~LoadableModule();
    LoadableModule(const LoadableModule&) = delete;
    LoadableModule& operator=(const LoadableModule&) = delete;

    bool isOpen() const;
    // The address of the module's function `name`, or null.
    void* function(const char* name) const;

  private:
    void* handle = nullptr;
};

} // namespace platform
