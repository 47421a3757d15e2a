// Names of a drawing's outputs, the progress line and the summary of many imports.
#include <gtest/gtest.h>

#include "dxfhost/batch.h"

TEST(HostBatch, OutputNamesComeFromTheDrawingAndNeverClash) {
    std::set<std::string> taken;
    EXPECT_EQ(batch::output_stem("plans/floor_plan.dxf", &taken), "floor_plan");
    EXPECT_EQ(batch::output_stem("other/floor_plan.DXF", &taken), "floor_plan-2");
    EXPECT_EQ(batch::output_stem("floor_plan", &taken), "floor_plan-3");
    EXPECT_EQ(batch::output_stem("C:\\work\\part.v2.dxf", &taken), "part.v2");
    EXPECT_EQ(batch::output_stem("dir/.hidden", &taken), ".hidden");
    EXPECT_EQ(batch::output_stem("dir/..", &taken), "drawing");
    EXPECT_EQ(batch::output_stem("dir/", &taken), "drawing-2");
}

TEST(HostBatch, ProgressLineFitsTheTerminal) {
    EXPECT_EQ(batch::progress_line(3, 200, "a/plan.dxf", 80), "[  3/200] importing a/plan.dxf");
    const std::string long_name = std::string(100, 'd') + "/end.dxf";
    const std::string line = batch::progress_line(12, 200, long_name, 40);
    EXPECT_EQ(line.size(), 39u);
    EXPECT_EQ(line.substr(line.size() - 8), "/end.dxf");
    EXPECT_EQ(line.substr(0, 23), "[ 12/200] importing ...");
    EXPECT_EQ(batch::progress_line(1, 1, "x.dxf", 5), "[1/1] importing ");
}

TEST(HostBatch, SummaryTableCountsEachOutcome) {
    std::vector<batch::Row> rows = {
        {"floor_plan.dxf", report::Outcome::Imported, 28, ""},
        {"refused.dxf", report::Outcome::Refused, 2, "Not Supported: 3-D"},
        {"x.dxf", report::Outcome::Failed, 0, "file not found (status -110)"},
    };
    EXPECT_EQ(batch::summary_table(rows),
              "drawing         outcome   records  notes\n"
              "floor_plan.dxf  imported       28\n"
              "refused.dxf     refused         2  Not Supported: 3-D\n"
              "x.dxf           failed          0  file not found (status -110)\n"
              "3 drawings: 1 imported, 1 refused, 1 failed\n");
    // A name with letters beyond ASCII keeps the columns straight.
    EXPECT_EQ(batch::summary_table({{"pl\xC3\xA4n.dxf", report::Outcome::Imported, 1, ""}}),
              "drawing   outcome   records  notes\n"
              "pl\xC3\xA4n.dxf  imported        1\n"
              "1 drawing: 1 imported, 0 refused, 0 failed\n");
    EXPECT_EQ(batch::summary_table({}),
              "drawing  outcome   records  notes\n0 drawings: 0 imported, 0 refused, 0 failed\n");
}
