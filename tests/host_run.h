// Running dxfhost as a separate process from a test, and the files around it: a fresh folder,
// reading and writing a whole file, the exit status and both outputs of one run.
#ifndef TESTS_HOST_RUN_H
#define TESTS_HOST_RUN_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace hostrun {

// A new empty folder under the test's temporary folder; each call makes another.
inline std::string temp_dir(const std::string& prefix, const std::string& name) {
    static int serial = 0;
    std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) /
                                (prefix + std::to_string(++serial) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// arg as one word of the shell, whatever it holds.
inline std::string quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

struct Ran {
    int status = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs dxfhost with the arguments; stdin_file is its standard input.
inline Ran dxfhost(const std::vector<std::string>& args,
                   const std::string& stdin_file = "/dev/null") {
    static int serial = 0;
    const std::string base = ::testing::TempDir() + "host_run" + std::to_string(++serial);
    std::string cmd = quote(DXFHOST_PATH);
    for (const std::string& a : args) {
        cmd += " " + quote(a);
    }
    cmd += " >" + quote(base + ".out") + " 2>" + quote(base + ".err") + " <" + quote(stdin_file);
    const int raw = std::system(cmd.c_str());
    Ran r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_text(base + ".out");
    r.err = read_text(base + ".err");
    return r;
}

} // namespace hostrun

#endif
