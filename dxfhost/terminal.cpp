// terminal.cpp: asks the system about the terminal on standard error (see terminal.h).
#include "dxfhost/terminal.h"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace terminal {

bool stderr_is_terminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

std::size_t columns() {
#if !defined(_WIN32)
    winsize ws{};
    if (ioctl(fileno(stderr), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) {
        return ws.ws_col;
    }
#endif
    if (const char* c = std::getenv("COLUMNS")) {
        const long n = std::strtol(c, nullptr, 10);
        if (n > 0 && n < 10000) {
            return std::size_t(n);
        }
    }
    return 80;
}

} // namespace terminal
