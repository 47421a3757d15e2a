// json.h: the JSON documents dxfhost writes, and the object's JSON form.
//
// Receives values to report (or an object read back by object_view). Every document is built
// as a JSON value of the nlohmann library and written by dump(), which makes every string
// valid UTF-8 first (bytes that are not UTF-8 become the characters of the same number, as
// Latin-1 reads them), so that no drawing or file name can make the output invalid. The layout
// of every document is described in docs/host.md; kSchemaVersion changes when it does.
#ifndef DXFHOST_JSON_H
#define DXFHOST_JSON_H

#include <nlohmann/json.hpp>
#include <string>

#include "dxfhost/object_view.h"

namespace json {

using Value = nlohmann::ordered_json; // keys stay in the order they are set

constexpr int kSchemaVersion = 2;

// The object: {"size", "best_size": {"width", "height"} or null, "records": [{"index",
// "offset", "size", "box": {"x", "y", "width", "height"}, "ardef", "lrdef", "ldef",
// "elements": [[words]...], "fill"}], "terminator": offset or null, "damage": {"offset",
// "what"} or null}.
Value object(const view::Object& obj);

// A string, or null when it is empty.
Value text_or_null(const std::string& text);

// The document as compact JSON text, without a line feed.
std::string dump(Value doc);

} // namespace json

#endif
