// json.cpp: the object's JSON form and the writing of documents (see json.h).
#include "dxfhost/json.h"

#include "dxfhost/utf8.h"

namespace json {

namespace {

// Strings and keys (entity kinds and block names come from drawings) made valid UTF-8.
void make_valid(Value& v) {
    if (v.is_string()) {
        v = utf8::valid(v.get<std::string>());
    } else if (v.is_object()) {
        Value fixed = Value::object();
        for (auto& [key, item] : v.items()) {
            make_valid(item);
            fixed[utf8::valid(key)] = std::move(item);
        }
        v = std::move(fixed);
    } else if (v.is_array()) {
        for (Value& item : v) {
            make_valid(item);
        }
    }
}

} // namespace

Value text_or_null(const std::string& text) {
    return text.empty() ? Value() : Value(text);
}

std::string dump(Value doc) {
    make_valid(doc);
    return doc.dump(-1, ' ', false, Value::error_handler_t::replace);
}

Value object(const view::Object& obj) {
    Value o;
    o["size"] = obj.size;
    o["best_size"] =
        obj.has_header ? Value{{"width", obj.head.bestw}, {"height", obj.head.besth}} : Value();
    Value records = Value::array();
    for (const view::Record& rec : obj.records) {
        const VOH& h = rec.head;
        Value r;
        r["index"] = rec.index;
        r["offset"] = rec.offset;
        r["size"] = h.nxtoff;
        r["box"] = {{"x", int64_t(h.xpos)},
                    {"y", int64_t(h.ypos)},
                    {"width", uint64_t(h.width)},
                    {"height", uint64_t(h.height)}};
        r["ardef"] = view::rdef_word(h.ardef);
        r["lrdef"] = view::rdef_word(h.lrdef);
        r["ldef"] = view::ldef_word(h.ldef);
        Value elements = Value::array();
        for (const view::Element& el : rec.elements) {
            Value words = Value::array();
            for (int16_t word : el.words) {
                words.push_back(int64_t(word));
            }
            elements.push_back(std::move(words));
        }
        r["elements"] = std::move(elements);
        r["fill"] = rec.fill;
        records.push_back(std::move(r));
    }
    o["records"] = std::move(records);
    o["terminator"] = obj.terminator ? Value(*obj.terminator) : Value();
    o["damage"] =
        obj.damage ? Value{{"offset", obj.damage->offset}, {"what", obj.damage->what}} : Value();
    return o;
}

} // namespace json
