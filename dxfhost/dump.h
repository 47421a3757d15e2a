// dump.h: the object as text, for people reading what an import made.
//
// Receives an object read back by object_view. Hands on lines of text: the best size, one line
// per record (index, offset, size, box, attribute words, element list with their words), then
// the terminator, or the place and reason where the object's layout breaks.
#ifndef DXFHOST_DUMP_H
#define DXFHOST_DUMP_H

#include <string>

#include "dxfhost/object_view.h"

namespace dump {

// One record's line, without the line feed:
// "record 0 at 24 size 44 box 0 8192 16384 8192 attributes 0x00000020 0x00000000 0x00000090:
//  [0 0 16384] [1 16384 0] [15]" (on one line).
std::string record_line(const view::Record& rec);

// The whole object, every line ended by a line feed.
std::string object_text(const view::Object& obj);

} // namespace dump

#endif
