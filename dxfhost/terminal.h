// terminal.h: what dxfhost asks of the terminal it runs in, for its progress line.
#ifndef DXFHOST_TERMINAL_H
#define DXFHOST_TERMINAL_H

#include <cstddef>

namespace terminal {

// Standard error is a terminal (a progress line can be drawn and cleared there).
bool stderr_is_terminal();

// Columns of the terminal on standard error; $COLUMNS, else 80, when it cannot be asked.
std::size_t columns();

} // namespace terminal

#endif
