// where.h: finds the line of a drawing at which the module stopped reading.
//
// Receives a drawing's path and the offset of the last byte the module read from it (the
// kernel keeps it). Reads the file again, itself and bounded, and hands on the 1-based line
// number of that byte, the line's text as the module saw it, and, when the line is the value
// line of a group, the group's code line before it.
#ifndef DXFHOST_WHERE_H
#define DXFHOST_WHERE_H

#include <cstdint>
#include <string>

namespace where {

constexpr std::size_t kTextMax = 199; // characters of a line that the module keeps
constexpr std::size_t kShownMax = 80; // characters of it shown after an alert

struct Place {
    int64_t offset = -1;     // the byte asked about
    uint64_t line = 0;       // its 1-based line number (lines end at a line feed)
    std::string text;        // the line without carriage returns, at most kTextMax characters
    bool cut = false;        // the line was longer than kTextMax characters
    bool value_line = false; // an even line: the value of the group whose code line precedes it
    std::string code;        // that code line, trimmed of blanks (empty for a code line)
};

// Finds the line holding byte offset of the file at path. False, with the reason in *err, when
// the file cannot be read or is shorter than offset + 1 bytes (or offset is negative).
bool locate(const std::string& path, int64_t offset, Place* place, std::string* err);

// The line shown after an alert: "  at FILE:LINE: TEXT", and " (group CODE)" after it when
// the line is a value whose meaning its group code tells (codes other than 0, 2 and 9, whose
// values are names: of entities and sections, of sections, of header variables). At most
// kShownMax characters of the line are shown, then "..."; control characters and bytes that
// are not UTF-8 appear as '?'.
std::string at_line(const std::string& shown_path, const Place& place);

// The place as the reason of a refusal tells it: "line LINE: TEXT", with the same rules.
std::string line_text(const Place& place);

// A code line that is a group code: an optional minus, then 1 to 10 digits.
bool is_group_code(const std::string& code);

} // namespace where

#endif
