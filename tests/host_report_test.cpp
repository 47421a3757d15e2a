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
    r.lines = {{true, "alert: Not Supported: This version does not support 3D drawings."},
               {false, "error: the operation failed (status -2)"}};
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
    const check::Findings findings = check::scan(path);
    report::Drawing d = report::examine(path, path, true, refused_result(path), "", findings);
    EXPECT_EQ(d.outcome, report::Outcome::Refused);
    EXPECT_EQ(d.exit_status, 2);
    ASSERT_TRUE(d.place.has_value());
    EXPECT_EQ(d.place->line, 12u);
    EXPECT_EQ(d.reason, "Not Supported: This version does not support 3D drawings. at line 12: 0.0 "
                        "(group 30)");
    // The check read the same drawing: the cause follows the module's lines.
    EXPECT_EQ(d.why, "the CIRCLE at line 6 has a Z value (group 30 at line 12: 0.0); circles and "
                     "arcs may carry no Z group at all, 0.0 included");
    EXPECT_EQ(report::shown_lines(d),
              (std::vector<std::string>{
                  "alert: Not Supported: This version does not support 3D drawings.",
                  "  at " + path + ":12: 0.0 (group 30)", "error: the operation failed (status -2)",
                  "why: " + d.why, "fix: " + d.fix}));
    EXPECT_EQ(report::batch_lines(d).size(), 3u);
    EXPECT_EQ(d.shape.records, 1u);
    EXPECT_TRUE(d.shape.damage.has_value());
    EXPECT_EQ(report::object_of(d).records.size(), 1u);

    const json::Value j = json::Value::parse(json::dump(report::to_json(d)));
    EXPECT_EQ(j["exit_status"], 2);
    EXPECT_EQ(j["result"], -1);
    EXPECT_EQ(j["outcome"], "refused");
    EXPECT_EQ(j["why"], d.why);
    EXPECT_EQ(j["alerts"], json::Value::parse(R"([{"caption":"Not Supported","text":"This )"
                                              R"(version does not support 3D drawings.",)"
                                              R"("button":"Cancel"}])"));
    EXPECT_EQ(j["messages"],
              json::Value::parse(R"([{"status":-2,"text":"the operation failed"}])"));
    EXPECT_EQ(j["where"]["line"], 12);
    EXPECT_EQ(j["where"]["text"], "0.0");
    EXPECT_EQ(j["where"]["group"], "30");
    EXPECT_TRUE(j["frame_name"].is_null());
    EXPECT_TRUE(j["lost"].is_null());
    EXPECT_TRUE(j["object"]["terminator"].is_null());
    EXPECT_EQ(j["object"]["damage"]["offset"], 68);
}

TEST(HostReport, FailuresWithoutAlertAndImportsThatWorked) {
    const std::string path = drawing_file();
    // The module stopped without an alert: the place follows the host's message.
    host::ImportResult quiet = refused_result(path);
    quiet.alerts.clear();
    quiet.lines = {{false, "error: the operation failed (status -1)"}};
    quiet.statuses = {-1};
    report::Drawing q = report::examine(path, path, true, quiet, "", {});
    EXPECT_EQ(q.outcome, report::Outcome::Refused);
    // Without a finding of the check, the cause says so.
    EXPECT_EQ(report::shown_lines(q).size(), 3u);
    EXPECT_EQ(report::shown_lines(q)[2].rfind("why: the module stopped at line 12 ", 0), 0u);
    EXPECT_EQ(report::shown_lines(q)[1], "  at " + path + ":12: 0.0 (group 30)");

    // A file that cannot be opened was never read: no place, a failure of the host.
    host::ImportResult missing;
    missing.status = -1;
    missing.lines = {{false, "error: file not found (status -110)"}};
    missing.statuses = {-110};
    missing.object = hostobj::Bytes(24, 0);
    report::Drawing m = report::examine("nowhere.dxf", "nowhere.dxf", true, missing, "", {});
    EXPECT_EQ(m.outcome, report::Outcome::Failed);
    EXPECT_EQ(m.reason, "file not found (status -110)");
    EXPECT_FALSE(m.place.has_value());
    EXPECT_EQ(report::shown_lines(m), std::vector<std::string>{missing.lines[0].line});

    // An import that worked; its title is the frame's name.
    host::ImportResult ok;
    ok.status = 0;
    ok.object = hostobj::ObjectBuilder().line_record().terminator().b;
    const std::string name = "circle.dxf";
    ok.frame_header = hostobj::frame_header(1, &name);
    ok.last_read = {path, 3};
    check::Findings lost;
    lost.passed_over["ENTITIES"]["TEXT"] = 2;
    lost.closed.add({3, "POLYLINE", "0", ""});
    report::Drawing i = report::examine(path, path, true, ok, "", lost);
    EXPECT_EQ(i.outcome, report::Outcome::Imported);
    EXPECT_EQ(report::lost_words(i.lost), "2 passed over, 1 drawn open");
    EXPECT_EQ(report::to_json(i)["lost"],
              json::Value::parse(R"({"passed_over":2,"drawn_open":1,"drawn_straight":0,)"
                                 R"("rotation_ignored":0})"));
    EXPECT_EQ(i.exit_status, 0);
    EXPECT_TRUE(i.reason.empty());
    EXPECT_FALSE(i.place.has_value());
    EXPECT_EQ(report::title_of(i), "circle.dxf");
    report::add_error(&i, "cannot write 'x.svg'");
    EXPECT_EQ(i.outcome, report::Outcome::Failed);
    EXPECT_EQ(i.exit_status, 2);

    // No import at all.
    report::Drawing none =
        report::examine("a/b.dxf", "a/b.dxf", false, {}, "cannot make the frame", {});
    EXPECT_EQ(none.outcome, report::Outcome::Failed);
    EXPECT_EQ(none.reason, "cannot make the frame");
    EXPECT_EQ(report::title_of(none), "b.dxf");
    const json::Value j = report::to_json(none);
    EXPECT_TRUE(j["result"].is_null());
    EXPECT_EQ(j["outcome"], "failed");
    EXPECT_TRUE(j["object"].is_null());
}
