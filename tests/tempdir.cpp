// Gives every test process a temporary directory of its own, so that tests run in parallel
// (one process each) never write the same file; it is removed when the process ends.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

struct ProcessTempDir {
    std::filesystem::path dir;
    ProcessTempDir() {
        std::error_code ec;
        dir = std::filesystem::temp_directory_path(ec) / ("dxftests." + std::to_string(getpid()));
        std::filesystem::create_directories(dir, ec);
        if (!ec)
            setenv("TEST_TMPDIR", dir.c_str(), 1);
    }
    ~ProcessTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

const ProcessTempDir process_temp_dir;

} // namespace
