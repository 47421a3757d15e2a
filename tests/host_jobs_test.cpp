// Batches in worker processes against the same batches in one process, a worker killed in the
// middle of a batch, folders as inputs, and the contact sheet and summary files of an output
// folder read back.
#include <gtest/gtest.h>

#include "host_run.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dxfhost/sheet.h"

namespace {

namespace fs = std::filesystem;

using hostrun::dxfhost;
using hostrun::Ran;
using hostrun::read_text;
using hostrun::write_text;

std::string g(int code, const std::string& value) {
    return std::to_string(code) + "\n" + value + "\n";
}

// A drawing refused for the Z value of its circle, on a layer whose name needs escaping.
std::string refused_on_layer(const std::string& layer) {
    return g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, "0") + g(20, "0") +
           g(9, "$EXTMAX") + g(10, "10") + g(20, "10") + g(0, "ENDSEC") + g(0, "SECTION") +
           g(2, "ENTITIES") + g(0, "LINE") + g(8, "0") + g(10, "0") + g(20, "0") + g(11, "5") +
           g(21, "5") + g(0, "CIRCLE") + g(8, layer) + g(10, "5") + g(20, "5") + g(30, "0.0") +
           g(40, "2") + g(0, "ENDSEC") + g(0, "EOF");
}

// Every file of a folder, by name, with its bytes.
std::map<std::string, std::string> folder_files(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        files[e.path().filename().string()] = read_text(e.path().string());
    }
    return files;
}

const fs::path kExamples = fs::path(TEST_DATA_DIR) / ".." / ".." / "examples";

// The drawings of the batches: the examples (a refused one among them), the test data, two
// drawings of one name in two folders, names that HTML and UTF-8 must take care of, a drawing
// that does not exist and a folder named like a drawing (both fail).
struct Set {
    std::string dir;
    std::vector<std::string> drawings;
    std::string escaped; // the drawing whose name needs escaping
};

Set drawing_set() {
    Set set;
    set.dir = hostrun::temp_dir("host_jobs_", "set");
    for (const char* name : {"floor_plan", "refused", "part", "title_block", "base_points"}) {
        set.drawings.push_back((kExamples / (std::string(name) + ".dxf")).string());
    }
    for (const char* name : {"blk_nested", "cmd_line", "r12_full"}) {
        set.drawings.push_back((fs::path(TEST_DATA_DIR) / (std::string(name) + ".dxf")).string());
    }
    const std::string part = read_text((kExamples / "part.dxf").string());
    for (const char* sub : {"/one", "/two"}) {
        fs::create_directories(set.dir + sub);
        write_text(set.dir + sub + "/plan.dxf", part);
        set.drawings.push_back(set.dir + sub + "/plan.dxf");
    }
    set.escaped = set.dir + "/a<b>&\"c' d.dxf";
    write_text(set.escaped, refused_on_layer("<i>L&amp;"));
    set.drawings.push_back(set.escaped);
    write_text(set.dir + "/caf\xE9.dxf", part);
    set.drawings.push_back(set.dir + "/caf\xE9.dxf");
    set.drawings.push_back(set.dir + "/missing.dxf");
    fs::create_directories(set.dir + "/folder.dxf");
    set.drawings.push_back(set.dir + "/folder.dxf");
    return set;
}

Ran run(const std::vector<std::string>& options, const std::string& jobs,
        const std::vector<std::string>& drawings) {
    std::vector<std::string> args = options;
    args.push_back("--jobs");
    args.push_back(jobs);
    args.insert(args.end(), drawings.begin(), drawings.end());
    return dxfhost(args);
}

std::string percent_decoded(const std::string& url) {
    std::string out;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            out += char(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += url[i];
        }
    }
    return out;
}

} // namespace

TEST(HostJobs, WorkerProcessesShowAndWriteWhatOneProcessDoes) {
    const Set set = drawing_set();
    const std::string out = set.dir + "/out";
    const std::vector<std::vector<std::string>> option_sets = {
        {"--out-dir", out}, {"--dump"}, {"--json", "--quiet"}, {"--out-dir", out, "--quiet"}};
    std::map<std::string, std::string> sheet_files;
    for (const auto& options : option_sets) {
        SCOPED_TRACE(options.front() + " " + options.back());
        fs::remove_all(out);
        const Ran one = run(options, "1", set.drawings);
        const std::map<std::string, std::string> one_files =
            fs::exists(out) ? folder_files(out) : std::map<std::string, std::string>{};
        for (const char* jobs : {"2", "5"}) {
            fs::remove_all(out);
            const Ran many = run(options, jobs, set.drawings);
            EXPECT_EQ(many.status, one.status);
            EXPECT_EQ(many.out, one.out);
            EXPECT_EQ(many.err, one.err);
            if (!one_files.empty()) {
                EXPECT_EQ(folder_files(out), one_files);
            }
        }
        EXPECT_EQ(one.status, 2) << one.err;
        if (options.size() == 2 && options.front() == "--out-dir") {
            sheet_files = one_files;
        }
    }

    // The summary lists every drawing in the order given, with the outcome the table tells.
    const nlohmann::json summary = nlohmann::json::parse(sheet_files.at("summary.json"));
    EXPECT_EQ(summary.at("schema_version"), 2);
    ASSERT_EQ(summary.at("drawings").size(), set.drawings.size());
    EXPECT_EQ(summary.at("counts"),
              nlohmann::json({{"drawings", 14}, {"imported", 10}, {"refused", 2}, {"failed", 2}}));
    EXPECT_EQ(summary.at("exit_status"), 2);
    const nlohmann::json& first = summary.at("drawings").at(0);
    EXPECT_EQ(first.at("drawing"), set.drawings[0]);
    EXPECT_EQ(first.at("outcome"), "imported");
    EXPECT_EQ(first.at("lost").at("passed_over"), 3);
    EXPECT_EQ(first.at("files").at("png"), "floor_plan.png");
    EXPECT_EQ(summary.at("drawings").at(9).at("files").at("svg"), "plan-2.svg");
    const nlohmann::json& escaped = summary.at("drawings").at(10);
    EXPECT_EQ(escaped.at("outcome"), "refused");
    EXPECT_NE(escaped.at("why").get<std::string>().find("(layer <i>L&amp;)"), std::string::npos);
    // A name that is not UTF-8 is one in the JSON, and its picture is drawn all the same.
    EXPECT_EQ(summary.at("drawings").at(11).at("drawing"), set.dir + "/caf\xC3\xA9.dxf");
    EXPECT_EQ(summary.at("drawings").at(11).at("outcome"), "imported");
    EXPECT_EQ(summary.at("drawings").at(12).at("files"), nullptr);
    EXPECT_EQ(summary.at("drawings").at(13).at("outcome"), "failed");
    const std::string tsv = sheet_files.at("summary.tsv");
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 15);
    EXPECT_NE(tsv.find("\timported\t0\t28\t3\t0\t0\t0\tfloor_plan.png\t\t\n"), std::string::npos);

    // The sheet: names and reasons escaped, refused and failed ones first, every picture it
    // names beside it.
    const std::string html = sheet_files.at("index.html");
    EXPECT_NE(html.find("a&lt;b&gt;&amp;&quot;c&#39; d.dxf"), std::string::npos);
    EXPECT_NE(html.find("(layer &lt;i&gt;L&amp;amp;)"), std::string::npos);
    EXPECT_EQ(html.find("<i>"), std::string::npos);
    EXPECT_EQ(html.find("a<b>"), std::string::npos);
    EXPECT_NE(html.find("caf\xC3\xA9.dxf"), std::string::npos);
    EXPECT_NE(html.find("src=\"caf%E9.png\""), std::string::npos);
    EXPECT_LT(html.find("missing.dxf"), html.find("floor_plan.dxf"));
    EXPECT_LT(html.find("refused.dxf"), html.find("floor_plan.dxf"));
    EXPECT_EQ(html.find("<script"), std::string::npos);
    std::size_t pictures = 0;
    for (std::size_t at = html.find("src=\""); at != std::string::npos;
         at = html.find("src=\"", at + 1)) {
        const std::string url = html.substr(at + 5, html.find('"', at + 5) - at - 5);
        EXPECT_EQ(sheet_files.count(percent_decoded(url)), 1u) << url;
        ++pictures;
    }
    EXPECT_EQ(pictures, 12u); // none for the two that are no files

    // The escapes themselves.
    EXPECT_EQ(sheet::html_escape("<a href='x'>&\"\xE9"),
              "&lt;a href=&#39;x&#39;&gt;&amp;&quot;\xC3\xA9");
    EXPECT_EQ(sheet::url_of_file("a b#?%\xE9.png"), "a%20b%23%3F%25%E9.png");
}

TEST(HostJobs, AKilledWorkerFailsItsDrawingAndTheBatchGoesOn) {
    const Set set = drawing_set();
    const std::string out = set.dir + "/out";
    const Ran one = run({"--out-dir", out}, "1", set.drawings);
    const nlohmann::json all = nlohmann::json::parse(read_text(out + "/summary.json"));
    fs::remove_all(out);

    const std::string victim = set.drawings[2];
    ::setenv("DXFHOST_TEST_KILL_WORKER_ON", victim.c_str(), 1);
    const Ran many = run({"--out-dir", out}, "2", set.drawings);
    ::unsetenv("DXFHOST_TEST_KILL_WORKER_ON");
    EXPECT_EQ(many.status, 2);
    EXPECT_NE(
        many.err.find(victim + ": the worker process importing it stopped (killed by signal 9"),
        std::string::npos)
        << many.err;
    const nlohmann::json summary = nlohmann::json::parse(read_text(out + "/summary.json"));
    ASSERT_EQ(summary.at("drawings").size(), set.drawings.size());
    for (std::size_t i = 0; i < set.drawings.size(); ++i) {
        const nlohmann::json& e = summary.at("drawings").at(i);
        if (i == 2) {
            EXPECT_EQ(e.at("outcome"), "failed");
            EXPECT_EQ(e.at("files"), nullptr);
        } else {
            EXPECT_EQ(e, all.at("drawings").at(i)) << i;
        }
    }
    EXPECT_FALSE(fs::exists(out + "/part.obj"));
    EXPECT_TRUE(fs::exists(out + "/base_points.obj")); // after it, in a new worker
    // The other drawings' rows of the summary table are as in one process, in order.
    std::istringstream a(one.out), b(many.out);
    std::string row_one, row_many;
    std::size_t rows = 0, differ = 0;
    while (std::getline(a, row_one) && std::getline(b, row_many)) {
        ++rows;
        if (row_one != row_many) {
            ++differ;
            EXPECT_TRUE(row_many.rfind(victim, 0) == 0 ||
                        row_many.find(" drawings: ") != std::string::npos)
                << row_many;
        }
    }
    EXPECT_EQ(rows, set.drawings.size() + 3);
    EXPECT_EQ(differ, 2u); // its row and the totals
}

TEST(HostJobs, FoldersStandForTheirDrawingsInNameOrder) {
    const std::string dir = hostrun::temp_dir("host_jobs_", "folders");
    const std::string part = read_text((kExamples / "part.dxf").string());
    for (const char* name : {"b.DXF", "a.dxf", "a-z.dxf", "sub/c.Dxf", "sub.dxf/d.dxf", "sub/e.txt",
                             "sub/deeper/f.dxf"}) {
        fs::create_directories((fs::path(dir) / name).parent_path());
        write_text(dir + "/" + name, part);
    }
    const std::string alone = (kExamples / "floor_plan.dxf").string();
    Ran r = dxfhost({"--quiet", alone, dir + "/", "--jobs", "2"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> named;
    std::istringstream table(r.out);
    std::string row;
    std::getline(table, row);
    while (std::getline(table, row) && row.find(" drawings: ") == std::string::npos) {
        named.push_back(row.substr(0, row.find(' ')));
    }
    EXPECT_EQ(named, (std::vector<std::string>{alone, dir + "/a-z.dxf", dir + "/a.dxf",
                                               dir + "/b.DXF", dir + "/sub/c.Dxf",
                                               dir + "/sub/deeper/f.dxf", dir + "/sub.dxf/d.dxf"}));
    // A folder without drawings, and one that cannot be read, are told as such.
    fs::create_directories(dir + "/none/x.dxf");
    r = dxfhost({dir + "/none"});
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.err.find("holds no drawing"), std::string::npos) << r.err;
    EXPECT_EQ(dxfhost({"--check", dir + "/sub"}).out.find(dir + "/sub/c.Dxf: would import"), 0u);
}
