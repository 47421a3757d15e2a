// plugin.h: the import module as the host program sees it, a library loaded at run time.
//
// Receives the path of the module's library. Loads it, finds its one door `module_entry`,
// introduces the host to it (function 0) and asks for its display name (function 7); then runs
// its import command (function 1) as often as asked. Hands on the command's status.
#ifndef DXFHOST_PLUGIN_H
#define DXFHOST_PLUGIN_H

#include <cstdint>
#include <string>

#include "host/hoststruct.h"

namespace host {

// The version this host announces to the module.
constexpr uint16_t kHostVersion = 32;
constexpr uint16_t kHostSubVersion = 0x0300;

class Plugin {
  public:
    Plugin() = default;
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Loads the module at path and introduces the host. False, with the reason in *err, when
    // the library cannot be loaded, has no module_entry, or refuses this host.
    bool load(const std::string& path, std::string* err);

    const std::string& name() const { return name_; } // the module's display name
    const std::string& path() const { return path_; } // the library it was loaded from

    // Runs the import command (function 1) with the given source; its status.
    int32_t exec(int source);

  private:
    using Entry = int32_t (*)(int fnc, ...);

    void unload();

    void* library_ = nullptr; // the loaded library (an HMODULE on Windows)
    Entry entry_ = nullptr;   // its module_entry
    XM_EDIS edis_{};          // the host's descriptor, kept for every call
    std::string name_;        // from function 7
    std::string path_;        // from load
};

// The module dxfhost loads when none is named: the default module's file next to the program.
// argv0 is the fallback when the program's own path cannot be asked of the system.
std::string default_module_path(const char* argv0);

} // namespace host

#endif
