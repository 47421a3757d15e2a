// One import's outcome, the lines shown for it (with the place after the alert) and its JSON.
#include <gtest/gtest.h>

#include <fstream>

#include "dxfhost/report.h"
#include "host_objects.h"

namespace {

const char kCircle[] = "  0\nSECTION\n  2\nENTITIES\n  0\nCIRCLE\n 10\n5.0\n 20\n5.0\n 30\n0.0\n";

std::string drawing_file() {
    std::string path = ::testing::TempDir() + "host_report_circle.dxf";
    std::ofstream(path, std::ios::binary) << kCircle;
    return path;
}

host::ImportResult refused_result(const std::string& path) {
    host::ImportResult r;
    r.status = -1;
    r.lines = {"alert: Not Supported: This version does not support 3D drawings.",
               "error: the operation failed (status -2)"};
    r.alerts = {{"Not Supported", "This version does not support 3D drawings.", "Cancel"}};
    r.statuses = {-2};
    r.object = hostobj::ObjectBuilder().line_record().b; // no terminator
    r.frame_header = hostobj::frame_header(1, nullptr);
    r.last_read = {path, int64_t(std::string(kCircle).size()) - 1};
    return r;
}

} // namespace

TEST(HostReport, RefusedDrawingIsPlacedAfterItsAlert) {
    const std::string path = drawing_file();
    report::Drawing d = report::examine(path, true, refused_result(path), "");
    EXPECT_EQ(d.kind, batch::Kind::Refused);
    EXPECT_EQ(d.exit_status, 2);
    ASSERT_TRUE(d.place.has_value());
    EXPECT_EQ(d.place->line, 12u);
    EXPECT_EQ(d.reason, "Not Supported: This version does not support 3D drawings. at line 12: 0.0 "
                        "(group 30)");
    EXPECT_EQ(
        report::shown_lines(d),
        (std::vector<std::string>{
            "alert: Not Supported: This version does not support 3D drawings.",
            "  at " + path + ":12: 0.0 (group 30)", "error: the operation failed (status -2)"}));
    EXPECT_EQ(d.object.records.size(), 1u);
    EXPECT_TRUE(d.object.damage.has_value());

    json::Writer w;
    report::write_json(w, d);
    const std::string j = w.str();
    EXPECT_NE(j.find(R"("exit_status":2,"result":-1,"outcome":"refused")"), std::string::npos);
    EXPECT_NE(j.find(R"("alerts":[{"caption":"Not Supported","text":"This version does not )"
                     R"(support 3D drawings.","button":"Cancel"}])"),
              std::string::npos);
    EXPECT_NE(j.find(R"("messages":[{"status":-2,"text":"the operation failed"}])"),
              std::string::npos);
    EXPECT_NE(j.find(R"("line":12,"text":"0.0","group":"30"})"), std::string::npos);
    EXPECT_NE(j.find(R"("frame_name":null)"), std::string::npos);
    EXPECT_NE(j.find(R"("terminator":null,"damage":{"offset":68)"), std::string::npos);
}

TEST(HostReport, FailuresWithoutAlertAndImportsThatWorked) {
    const std::string path = drawing_file();
    // The module stopped without an alert: the place follows the host's message.
    host::ImportResult quiet = refused_result(path);
    quiet.alerts.clear();
    quiet.lines = {"error: the operation failed (status -1)"};
    quiet.statuses = {-1};
    report::Drawing q = report::examine(path, true, quiet, "");
    EXPECT_EQ(q.kind, batch::Kind::Refused);
    EXPECT_EQ(report::shown_lines(q).size(), 2u);
    EXPECT_EQ(report::shown_lines(q)[1], "  at " + path + ":12: 0.0 (group 30)");

    // A file that cannot be opened was never read: no place, a failure of the host.
    host::ImportResult missing;
    missing.status = -1;
    missing.lines = {"error: file not found (status -110)"};
    missing.statuses = {-110};
    missing.object = hostobj::Bytes(24, 0);
    report::Drawing m = report::examine("nowhere.dxf", true, missing, "");
    EXPECT_EQ(m.kind, batch::Kind::Failed);
    EXPECT_EQ(m.reason, "file not found (status -110)");
    EXPECT_FALSE(m.place.has_value());
    EXPECT_EQ(report::shown_lines(m), missing.lines);

    // An import that worked; its title is the frame's name.
    host::ImportResult ok;
    ok.status = 0;
    ok.object = hostobj::ObjectBuilder().line_record().terminator().b;
    const std::string name = "circle.dxf";
    ok.frame_header = hostobj::frame_header(1, &name);
    ok.last_read = {path, 3};
    report::Drawing i = report::examine(path, true, ok, "");
    EXPECT_EQ(i.kind, batch::Kind::Imported);
    EXPECT_EQ(i.exit_status, 0);
    EXPECT_TRUE(i.reason.empty());
    EXPECT_FALSE(i.place.has_value());
    EXPECT_EQ(report::title_of(i), "circle.dxf");
    report::add_error(&i, "cannot write 'x.svg'");
    EXPECT_EQ(i.kind, batch::Kind::Failed);
    EXPECT_EQ(i.exit_status, 2);

    // No import at all.
    report::Drawing none = report::examine("a/b.dxf", false, {}, "cannot make the frame");
    EXPECT_EQ(none.kind, batch::Kind::Failed);
    EXPECT_EQ(none.reason, "cannot make the frame");
    EXPECT_EQ(report::title_of(none), "b.dxf");
    json::Writer w;
    report::write_json(w, none);
    EXPECT_NE(w.str().find(R"("result":null,"outcome":"failed")"), std::string::npos);
    EXPECT_NE(w.str().find(R"("object":null)"), std::string::npos);
}
