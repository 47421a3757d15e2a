// The JSON writer's escaping and commas, and the JSON form of an object.
#include <gtest/gtest.h>

#include "dxfhost/json.h"
#include "host_objects.h"

TEST(HostJson, StringsAreAlwaysValidJson) {
    EXPECT_EQ(json::quote("plain"), "\"plain\"");
    EXPECT_EQ(json::quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(json::quote("l1\nl2\r\t"), "\"l1\\nl2\\r\\t\"");
    EXPECT_EQ(json::quote(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(json::quote(std::string("a\0b", 3)), "\"a\\u0000b\"");
    // Well-formed UTF-8 passes; stray bytes are read as Latin-1.
    EXPECT_EQ(json::quote("T\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "\"T\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x98\x80\"");
    EXPECT_EQ(json::quote("T\xFCr"), "\"T\\u00fcr\"");
    EXPECT_EQ(json::quote("\xC3"), "\"\\u00c3\"");                                  // cut sequence
    EXPECT_EQ(json::quote("\xC0\xAF"), "\"\\u00c0\\u00af\"");                       // overlong
    EXPECT_EQ(json::quote("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\"");            // surrogate
    EXPECT_EQ(json::quote("\xF4\x90\x80\x80"), "\"\\u00f4\\u0090\\u0080\\u0080\""); // too high
}

TEST(HostJson, WriterPlacesCommasAndColons) {
    json::Writer w;
    w.begin_object();
    w.key("a").value(1);
    w.key("b").begin_array().value("x").value(true).null().begin_array().end_array().end_array();
    w.key("c").begin_object().end_object();
    w.key("d").value(int64_t(-5)).key("e").value(uint64_t(4294967295u));
    w.end_object();
    EXPECT_EQ(w.str(), R"({"a":1,"b":["x",true,null,[]],"c":{},"d":-5,"e":4294967295})");
}

TEST(HostJson, ObjectWithRecordsAndDamage) {
    hostobj::Bytes b = hostobj::ObjectBuilder(150000, 800000).line_record().terminator().b;
    EXPECT_EQ(json::object_json(view::read_object(b)),
              R"({"size":70,"best_size":{"width":150000,"height":800000},"records":[)"
              R"({"index":0,"offset":24,"size":44,"box":{"x":0,"y":8192,"width":16384,)"
              R"("height":8192},"ardef":32,"lrdef":0,"ldef":144,"elements":[[0,0,16384],)"
              R"([1,16384,0],[15]],"fill":2}],"terminator":68,"damage":null})");
    b.resize(68);
    const std::string cut = json::object_json(view::read_object(b));
    EXPECT_NE(cut.find(R"("terminator":null,"damage":{"offset":68,"what":"the object ends )"),
              std::string::npos)
        << cut;
    EXPECT_NE(json::object_json(view::read_object(hostobj::Bytes(3, 0)))
                  .find(R"("best_size":null,"records":[])"),
              std::string::npos);
}
