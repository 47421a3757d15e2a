// pipes.h: whole messages over the pipes between a batch and its workers (POSIX systems).
//
// Each message goes as its length (eight bytes, little-endian, see wire.h) followed by its
// bytes. Sending never raises SIGPIPE: a pipe whose other end went away makes the send fail.
#ifndef DXFHOST_PIPES_H
#define DXFHOST_PIPES_H

#include <string>

namespace pipes {

// Sends the message whole; false when the pipe is broken.
bool send_message(int fd, const std::string& message);

// Reads one whole message; false at the end of the pipe, on an error, or for a length past
// any message a batch sends.
bool read_message(int fd, std::string* message);

// A complete message at the start of buffer (bytes read from a pipe as they came): moved to
// *message and cut off the buffer. False while the buffer holds no whole message.
bool take_message(std::string* buffer, std::string* message);

} // namespace pipes

#endif
