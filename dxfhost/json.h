// json.h: a small JSON writer and the object's JSON form.
//
// Receives values one by one (or an object read back by object_view). Hands on compact JSON
// text: strings escaped as JSON demands, bytes that are not UTF-8 written as the characters of
// the same number (as Latin-1 reads them), so that the text is always valid JSON.
#ifndef DXFHOST_JSON_H
#define DXFHOST_JSON_H

#include <cstdint>
#include <string>
#include <vector>

#include "dxfhost/object_view.h"

namespace json {

// text as a JSON string, quotes included.
std::string quote(const std::string& text);

// Writes one JSON value; commas and colons are placed by the writer.
class Writer {
  public:
    Writer& begin_object();
    Writer& end_object();
    Writer& begin_array();
    Writer& end_array();
    Writer& key(const std::string& name); // inside an object, before each value
    Writer& value(const std::string& text);
    Writer& value(const char* text);
    Writer& value(int64_t n);
    Writer& value(uint64_t n);
    Writer& value(int n) { return value(int64_t(n)); }
    Writer& value(unsigned n) { return value(uint64_t(n)); }
    Writer& value(bool b);
    Writer& null();
    // A value already written as JSON text.
    Writer& raw(const std::string& json_text);

    const std::string& str() const { return out_; }

  private:
    void before_value();
    std::string out_;
    std::vector<bool> first_; // per open container: nothing written in it yet
    bool after_key_ = false;
};

// The object as JSON: {"size", "best_size": {"width", "height"} or null, "records": [{"index",
// "offset", "size", "box": {"x", "y", "width", "height"}, "ardef", "lrdef", "ldef",
// "elements": [[words]...], "fill"}], "terminator": offset or null, "damage": {"offset",
// "what"} or null}.
void write_object(Writer& w, const view::Object& obj);
std::string object_json(const view::Object& obj);

} // namespace json

#endif
