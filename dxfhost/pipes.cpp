// pipes.cpp: whole messages over a batch's pipes (see pipes.h).
#include "dxfhost/pipes.h"

#if !defined(_WIN32)
#include <cerrno>
#include <cstdint>

#include <sys/socket.h>
#include <unistd.h>

#include "dxfhost/wire.h"

namespace pipes {

namespace {

bool send_all(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += std::size_t(n);
    }
    return true;
}

// Reads exactly size bytes; false at the end of the pipe or on an error.
bool read_exact(int fd, char* p, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace

bool send_message(int fd, const std::string& message) {
    std::string framed;
    wire::put_length(&framed, message.size());
    framed += message;
    return send_all(fd, framed);
}

bool read_message(int fd, std::string* message) {
    char head[8];
    if (!read_exact(fd, head, sizeof head)) {
        return false;
    }
    const uint64_t n = wire::get_length(head);
    if (n > (uint64_t(1) << 40)) {
        return false;
    }
    message->assign(std::size_t(n), '\0');
    return n == 0 || read_exact(fd, message->data(), std::size_t(n));
}

bool take_message(std::string* buffer, std::string* message) {
    if (buffer->size() < 8) {
        return false;
    }
    const uint64_t n = wire::get_length(buffer->data());
    if (buffer->size() - 8 < n) {
        return false;
    }
    *message = buffer->substr(8, std::size_t(n));
    buffer->erase(0, 8 + std::size_t(n));
    return true;
}

} // namespace pipes

#endif
