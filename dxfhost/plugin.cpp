// plugin.cpp: loading the import module and calling its door (see plugin.h).
#include "dxfhost/plugin.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef DXF_DEFAULT_MODULE
#define DXF_DEFAULT_MODULE "dxfimport"
#endif

namespace host {
namespace {

// The system's reason for the last failed load or look-up.
std::string system_error() {
#if defined(_WIN32)
    return "system error " + std::to_string(GetLastError());
#else
    const char* e = dlerror();
    return e != nullptr ? e : "unknown reason";
#endif
}

} // namespace

Plugin::~Plugin() {
    unload();
}

void Plugin::unload() {
    if (library_ == nullptr) {
        return;
    }
    if (entry_ != nullptr) {
        entry_(2, &edis_); // the host is done with the module
    }
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library_));
#else
    dlclose(library_);
#endif
    library_ = nullptr;
    entry_ = nullptr;
}

bool Plugin::load(const std::string& path, std::string* err) {
    unload();
    path_ = path;
    auto fail = [&](const std::string& why) {
        *err = "cannot load the module '" + path + "': " + why;
        unload();
        return false;
    };
#if defined(_WIN32)
    HMODULE lib = LoadLibraryA(path.c_str());
    if (lib == nullptr) {
        return fail(system_error());
    }
    library_ = lib;
    FARPROC sym = GetProcAddress(lib, "module_entry");
    if (sym == nullptr) {
        return fail("it has no module_entry (" + system_error() + ")");
    }
    entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(sym));
    // The module reaches its own resources through this handle.
    int32_t hmod = int32_t(uint32_t(reinterpret_cast<uintptr_t>(lib)));
#else
    // A path without a slash would be looked up in the library path instead of taken as is.
    std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    void* lib = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        return fail(system_error());
    }
    library_ = lib;
    dlerror();
    void* sym = dlsym(lib, "module_entry");
    if (sym == nullptr) {
        return fail("it has no module_entry (" + system_error() + ")");
    }
    entry_ = reinterpret_cast<Entry>(sym);
    // Where Windows is absent the module reads resources linked into it; any handle will do.
    int32_t hmod = int32_t(uint32_t(reinterpret_cast<uintptr_t>(lib)));
#endif
    edis_ = XM_EDIS{};
    edis_.cvnum = kHostVersion;
    edis_.dvnum = kHostSubVersion;
    edis_.hmod = hmod;
    int32_t st = entry_(0, &edis_);
    if (st != 0) {
        entry_ = nullptr; // a module that refused the host is not called again
        return fail("it refuses this host (version " + std::to_string(kHostVersion) + ", status " +
                    std::to_string(st) + ")");
    }
    char buf[260] = {};
    entry_(7, 0, &edis_, buf);
    buf[sizeof buf - 1] = '\0';
    name_ = buf;
    return true;
}

int32_t Plugin::exec(int source) {
    return entry_ != nullptr ? entry_(1, source, &edis_) : -1;
}

std::string default_module_path(const char* argv0) {
    std::filesystem::path self;
#if defined(_WIN32)
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        self = buf;
    }
#else
    std::error_code ec;
    self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        self.clear();
    }
#endif
    if (self.empty() && argv0 != nullptr) {
        self = argv0;
    }
    return (self.parent_path() / DXF_DEFAULT_MODULE).string();
}

} // namespace host
