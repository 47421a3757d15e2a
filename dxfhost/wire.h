// wire.h: the messages between a batch and its worker processes, as bytes.
//
// A message is a sequence of fields, each a byte string of any content (file names and the
// texts of drawings need not be UTF-8) preceded by its length; numbers travel as their
// decimal text. A message on a pipe is preceded by its own length (eight bytes, little-endian).
#ifndef DXFHOST_WIRE_H
#define DXFHOST_WIRE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace wire {

inline void put_length(std::string* out, uint64_t n) {
    for (int i = 0; i < 8; ++i) {
        out->push_back(char((n >> (8 * i)) & 0xFF));
    }
}

inline uint64_t get_length(const char* p) {
    uint64_t n = 0;
    for (int i = 0; i < 8; ++i) {
        n |= uint64_t(uint8_t(p[i])) << (8 * i);
    }
    return n;
}

inline void put(std::string* out, const std::string& field) {
    put_length(out, field.size());
    out->append(field);
}

inline void put(std::string* out, uint64_t n) {
    put(out, std::to_string(n));
}

// Reads the fields of one message in turn; ok() turns false, for good, at the first field
// that is missing or not what was asked for.
class Reader {
  public:
    explicit Reader(const std::string& message) : m_(message) {}

    std::string text() {
        if (!ok_ || m_.size() - pos_ < 8) {
            ok_ = false;
            return "";
        }
        const uint64_t n = get_length(m_.data() + pos_);
        pos_ += 8;
        if (n > m_.size() - pos_) {
            ok_ = false;
            return "";
        }
        std::string field = m_.substr(pos_, std::size_t(n));
        pos_ += std::size_t(n);
        return field;
    }

    uint64_t number() {
        const std::string t = text();
        if (t.empty() || t.size() > 19 || t.find_first_not_of("0123456789") != std::string::npos) {
            ok_ = false;
            return 0;
        }
        return std::stoull(t);
    }

    bool ok() const { return ok_; }
    bool at_end() const { return pos_ == m_.size(); }

  private:
    const std::string& m_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace wire

#endif
