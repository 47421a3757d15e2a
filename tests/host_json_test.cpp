// JSON documents: strings always valid UTF-8, and the object's JSON form, read back as JSON.
#include <gtest/gtest.h>

#include "dxfhost/json.h"
#include "dxfhost/utf8.h"
#include "host_objects.h"

TEST(HostJson, StringsAreEscapedAndAlwaysValidUtf8) {
    // Every string goes out as JSON demands and comes back as it went in; a byte that is not
    // part of a well-formed UTF-8 sequence comes back as the Latin-1 character of its number.
    struct Case {
        std::string in, back;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"a\"b\\c", "a\"b\\c"},
        {"l1\nl2\r\t", "l1\nl2\r\t"},
        {std::string("\x01\x1f\x7f", 3), std::string("\x01\x1f\x7f", 3)},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"T\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x98\x80", "T\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"T\xFCr", "T\xC3\xBCr"},                                 // Latin-1
        {"\xC3", "\xC3\x83"},                                     // cut sequence
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                         // overlong
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},             // surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"}, // past U+10FFFF
    };
    for (const Case& c : cases) {
        json::Value doc = {{"s", c.in}, {"list", {c.in, 1}}, {"keys", {{c.in, 1}}}};
        const std::string text = json::dump(doc);
        const json::Value back = json::Value::parse(text);
        EXPECT_EQ(back["s"].get<std::string>(), c.back) << text;
        EXPECT_EQ(back["keys"].begin().key(), c.back);
        EXPECT_EQ(back["list"][0].get<std::string>(), c.back);
        EXPECT_EQ(utf8::valid(c.in), c.back);
        EXPECT_EQ(text.find('\n'), std::string::npos);
    }
    EXPECT_EQ(utf8::columns("pl\xC3\xA4n \xF0\x9F\x98\x80"), 6u);
    EXPECT_EQ(utf8::columns("\xFF\xFE"), 2u);
}

TEST(HostJson, ObjectWithRecordsAndDamage) {
    hostobj::Bytes b = hostobj::ObjectBuilder(150000, 800000).line_record().terminator().b;
    EXPECT_EQ(json::dump(json::object(view::read_object(b))),
              R"({"size":70,"best_size":{"width":150000,"height":800000},"records":[)"
              R"({"index":0,"offset":24,"size":44,"box":{"x":0,"y":8192,"width":16384,)"
              R"("height":8192},"ardef":32,"lrdef":0,"ldef":144,"elements":[[0,0,16384],)"
              R"([1,16384,0],[15]],"fill":2}],"terminator":68,"damage":null})");
    b.resize(68);
    const json::Value cut = json::object(view::read_object(b));
    EXPECT_TRUE(cut["terminator"].is_null());
    EXPECT_EQ(cut["damage"]["offset"], 68);
    EXPECT_EQ(cut["damage"]["what"].get<std::string>().rfind("the object ends ", 0), 0u);
    const json::Value tiny = json::object(view::read_object(hostobj::Bytes(3, 0)));
    EXPECT_TRUE(tiny["best_size"].is_null());
    EXPECT_TRUE(tiny["records"].empty());
}
