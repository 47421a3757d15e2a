// stdin_copy.cpp: copies standard input into a private temporary file (see stdin_copy.h).
#include "dxfhost/stdin_copy.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#define DXFHOST_PID _getpid()
#else
#include <unistd.h>
#define DXFHOST_PID getpid()
#endif

namespace stdin_copy {

Copy::~Copy() {
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

bool Copy::make(std::string* err) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    if (ec) {
        *err = "cannot find a folder for temporary files: " + ec.message();
        return false;
    }
    // A folder that did not exist before is ours alone.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
        const fs::path d = tmp / ("dxfhost-" + std::to_string(DXFHOST_PID) + "-" +
                                  std::to_string(stamp + attempt));
        if (fs::create_directory(d, ec) && !ec) {
            dir_ = d.string();
        }
    }
    if (dir_.empty()) {
        *err = "cannot make a temporary folder in '" + tmp.string() + "'";
        return false;
    }
    path_ = (fs::path(dir_) / kName).string();
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::ofstream out(path_, std::ios::binary);
    std::vector<char> buf(1 << 16);
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), stdin)) > 0) {
        out.write(buf.data(), std::streamsize(n));
    }
    out.close();
    if (std::ferror(stdin) || !out) {
        *err = "cannot copy standard input to '" + path_ + "'";
        return false;
    }
    return true;
}

} // namespace stdin_copy
