// groups.h: the host program's own reading of a drawing as a stream of groups.
//
// Receives a drawing's path. Hands on its groups (a code line, then a value line) the way the
// import module reads them: lines end at a line feed, carriage returns are dropped, a line keeps
// its first 199 characters and ends at a NUL byte, and the code is the number its line begins
// with (a line that is no number gives 0). Every group carries the line numbers of its two
// lines, so that what is found can be shown where it stands. Nothing is imported.
#ifndef DXFHOST_GROUPS_H
#define DXFHOST_GROUPS_H

#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace groups {

constexpr std::size_t kLineMax = 199; // characters of a line the module keeps

struct Group {
    uint32_t code = 0;    // the code line's number, as the module takes it
    std::string value;    // the value line
    uint64_t line = 0;    // 1-based line number of the code line; the value is the next
    bool complete = true; // both lines ended with a line feed
    bool end = false;     // nothing was left to read: the group the end of the file gives
    uint64_t value_line() const { return line + 1; }
    // The value begins with keyword: the module's way of recognising keywords.
    bool is(std::string_view keyword) const {
        return value.size() >= keyword.size() &&
               std::memcmp(value.data(), keyword.data(), keyword.size()) == 0;
    }
    bool is0(std::string_view keyword) const { return code == 0 && is(keyword); }
};

// The number a value line begins with, as the module reads numbers: blanks, a sign, digits,
// a decimal point, digits and an exponent; 0 when the line begins with none. Values beyond the
// range of a double are infinities, as in the module.
double number(const std::string& value);
// The integer a line begins with, saturated at the signed 32-bit range.
int32_t integer(const std::string& value);
int32_t integer(const char* first, const char* last); // of the characters first .. last

class Reader {
  public:
    // False, with the system's reason in *err, when the file cannot be opened.
    bool open(const std::string& path, std::string* err);
    // The next group; at the end of the file, groups with end set, over and over.
    Group next();
    // The group given back is the next one read again (one group at most).
    void give_back(const Group& g) { back_ = g; }

  private:
    static constexpr std::size_t kChunk = std::size_t(1) << 16; // bytes read at a time
    // Reads the group at pos_ when both its lines lie whole in the buffer and are plain (see
    // groups.cpp): its code, and its value's place in the buffer. False, with nothing read, for
    // any other group.
    bool plain_group(uint32_t* code, const char** value, std::size_t* n);
    Group line_group(); // the next group, through line()
    // Reads the next line into text_; false at the end of the file, when nothing was left.
    bool line(bool* ended);
    std::ifstream in_;
    char text_[kLineMax];           // the characters of the line read last that the module keeps
    std::size_t text_n_ = 0;        // how many
    std::vector<char> buf_;         // kChunk bytes read ahead, and a line feed after the last
    std::size_t pos_ = 0, len_ = 0; // the next byte in buf_, and the bytes read into it
    uint64_t lines_ = 0;            // lines read so far
    std::optional<Group> back_;
};

// What the first bytes of a file show it to be, before it is read as groups.
enum class Content { Text, Empty, Binary, NotText };
Content sniff(const std::string& path);

// The file begins like a drawing: its first line a group code (blanks, an optional minus and
// digits), and a second line follows. Files that cannot be read begin like nothing.
bool begins_like_drawing(const std::string& path);

} // namespace groups

#endif
