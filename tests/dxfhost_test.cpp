// Tests of the host program dxfhost, run as a separate process on temporary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

std::string temp_path(const std::string& name) {
    static int serial = 0;
    return ::testing::TempDir() + "dxfhost_" + std::to_string(++serial) + "_" + name;
}

std::string write_temp(const std::string& content, const std::string& name) {
    std::string path = temp_path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string shell_quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

struct Outcome {
    int status = -1; // exit status
    std::string err; // what it wrote on standard error
};

Outcome dxfhost(const std::vector<std::string>& args) {
    std::string err_path = temp_path("stderr");
    std::string cmd = shell_quote(DXFHOST_PATH);
    for (const std::string& a : args) {
        cmd += " " + shell_quote(a);
    }
    cmd += " >/dev/null 2>" + shell_quote(err_path);
    int raw = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    Bytes err = read_file(err_path);
    r.err.assign(err.begin(), err.end());
    return r;
}

uint16_t u16(const Bytes& b, std::size_t off) {
    return uint16_t(b.at(off) | (b.at(off + 1) << 8));
}
uint32_t u32(const Bytes& b, std::size_t off) {
    return uint32_t(u16(b, off)) | (uint32_t(u16(b, off + 2)) << 16);
}

const std::string kSmallest = "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n"
                              "10\n20\n10\n0\nENDSEC\n0\nEOF\n";

TEST(DxfHost, UsageErrors) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--bogus", "a.dxf"},
                                               {"--svg", "x.svg", "a.dxf", "b.dxf"},
                                               {"--memory-limit", "0", "a.dxf"},
                                               {"--memory-limit", "many", "a.dxf"},
                                               {"--object"}}) {
        Outcome r = dxfhost(args);
        EXPECT_EQ(r.status, 64) << r.err;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << r.err;
    }
    EXPECT_EQ(dxfhost({"--help"}).status, 0);
}

TEST(DxfHost, UnreadableDrawingsGetTheHostsMessage) {
    // The host's message, then the system's reason; no output is written for what is no
    // drawing, so a file named by mistake is not overwritten.
    std::string object = write_temp("kept", "object");
    const std::string missing = temp_path("missing.dxf");
    Outcome r = dxfhost({"--object", object, missing});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: file not found (status -110)\ndxfhost: '" + missing +
                         "': No such file or directory\n");
    EXPECT_EQ(read_file(object), Bytes({'k', 'e', 'p', 't'}));

    // A folder named like a drawing is a drawing that cannot be read; any other folder stands
    // for the drawings under it, and one without any is a usage error.
    const std::string folder = temp_path("folder.dxf");
    std::filesystem::create_directories(folder);
    r = dxfhost({folder});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: file cannot be opened (status -111)\ndxfhost: '" + folder +
                         "': it is a folder\n");
    const std::string empty = temp_path("no_drawings");
    std::filesystem::create_directories(empty + "/inner.dxf");
    r = dxfhost({empty});
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "dxfhost: the folder '" + empty +
                  "' holds no drawing (no file whose name ends in .dxf)");

    r = dxfhost({"--module", write_temp("not a library", "module.so"), temp_path("a.dxf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot load the module"), std::string::npos) << r.err;
    r = dxfhost({"--module", temp_path("no_module.so"), temp_path("a.dxf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot load the module"), std::string::npos) << r.err;
}

TEST(DxfHost, OutputsNeverLandOnInputsOrOnEachOther) {
    const std::string drawing = write_temp(kSmallest, "in.dxf");
    const std::string dir = drawing.substr(0, drawing.find_last_of('/'));
    const std::string same = dir + "/./" + drawing.substr(dir.size() + 1); // another name
    const std::string out = temp_path("out");
    // Two more names of the drawing: a hard link and a symbolic link.
    const std::string hard = dir + "/hard.obj", soft = dir + "/soft.obj";
    std::filesystem::remove(hard);
    std::filesystem::remove(soft);
    std::filesystem::create_hard_link(drawing, hard);
    std::filesystem::create_symlink(drawing, soft);
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"--svg", same, drawing}, "would write over"},
        {{"--object", drawing, drawing}, "would write over"},
        {{"--object", hard, drawing}, "would write over"},
        {{"--object", soft, drawing}, "would write over"},
        {{"--png", out, "--svg", out, drawing}, "name the same file"},
        {{"--object", out, "--frame-header", out, drawing}, "name the same file"},
        {{"--out-dir", dir, "--svg", out, drawing}, "excludes"},
        {{"--read-object", drawing, "--out-dir", dir}, "excludes"},
        {{"--import", drawing}, "requires --check"},
        {{"--svg", "-", "--dump", drawing}, "both write standard output"},
        {{"-", "-"}, "standard input (-) can be read once only"},
        {{"--width", "300", drawing}, "give --png or --out-dir"},
        {{"--svg", "", drawing}, "needs a path"},
        {{"--width", "wide", "--png", out, drawing}, "whole number of pixels"},
    };
    for (const Case& c : cases) {
        Outcome r = dxfhost(c.args);
        EXPECT_EQ(r.status, 64) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(read_file(drawing), Bytes(kSmallest.begin(), kSmallest.end()));

    // A batch whose outputs would replace one of its drawings leaves that drawing alone.
    const std::string obj_dir = temp_path("objdir");
    const std::string as_obj = obj_dir + "/in.obj";
    ASSERT_EQ(std::system(("mkdir -p " + shell_quote(obj_dir)).c_str()), 0);
    std::ofstream(as_obj, std::ios::binary) << kSmallest;
    Outcome r = dxfhost({"--out-dir", obj_dir, as_obj});
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.err.find("would write over '" + as_obj + "', which is a drawing"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(read_file(as_obj), Bytes(kSmallest.begin(), kSmallest.end()));
}

TEST(DxfHost, SavedObjectsAndStandardOutput) {
    const std::string drawing = write_temp(kSmallest, "plan.dxf");
    const std::string object = temp_path("plan.obj");
    ASSERT_EQ(dxfhost({"--object", object, drawing}).status, 0);
    // An object read with nothing else asked for is shown as text.
    const std::string text = temp_path("dump.txt");
    const std::string cmd = shell_quote(DXFHOST_PATH) + " --read-object " + shell_quote(object) +
                            " >" + shell_quote(text);
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const Bytes dump = read_file(text);
    EXPECT_EQ(std::string(dump.begin(), dump.end()).rfind("best size 100000 x 100000", 0), 0u);

    // What is no regular file is refused with the system's reason, not read.
    Outcome r = dxfhost({"--read-object", ::testing::TempDir()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("it is a folder"), std::string::npos) << r.err;
    r = dxfhost({"--read-object", "/dev/zero", "--dump"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;

    // A dump that cannot be written is a failure.
    const std::string full =
        shell_quote(DXFHOST_PATH) + " --dump " + shell_quote(drawing) + " >/dev/full 2>/dev/null";
    const int raw = std::system(full.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
}

TEST(DxfHost, SmallestDrawingFillsTheFrame) {
    std::string drawing = write_temp(kSmallest, "plan.dxf");
    std::string object = temp_path("object");
    std::string header = temp_path("header");
    Outcome r = dxfhost({"--object", object, "--frame-header", header, drawing});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Bytes obj = read_file(object);
    ASSERT_EQ(obj.size(), 26u);
    EXPECT_EQ(u16(obj, 24), 0x00FF); // the terminator right after the object header
    Bytes frh = read_file(header);
    std::string name = drawing.substr(drawing.find_last_of('/') + 1);
    ASSERT_EQ(frh.size(), 60 + name.size() + 1);
    EXPECT_EQ(u32(frh, 44), 1u);    // one sub-entry
    EXPECT_EQ(frh[3] & 0x80, 0x80); // a name follows
    EXPECT_EQ(std::string(frh.begin() + 60, frh.end() - 1), name);

    // The module named explicitly gives the same.
    r = dxfhost({"--module", MODULE_PATH, "--object", object, drawing});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(object), obj);
}

TEST(DxfHost, RefusedAndOversizedDrawingsFail) {
    std::string object = temp_path("object");
    std::string bad = write_temp("0\nSECTION\n2\nNOTHING\n", "bad.dxf");
    Outcome r = dxfhost({"--object", object, bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "alert: Invalid DXF File: This is not a valid DXF File.\n"
                     "  at " +
                         bad +
                         ":4: NOTHING\n"
                         "error: the operation failed (status -1)\n"
                         "why: the section NOTHING is not one the module reads (it reads HEADER, "
                         "TABLES, BLOCKS and ENTITIES)\n"
                         "fix: save the drawing as DXF R12 (AC1009) and import that file\n");

    // Some 1.5 MiB of records do not fit a host of 1 MiB.
    std::ostringstream dxf;
    dxf << "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n100\n20\n100\n"
           "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < 36000; ++i) {
        dxf << "0\nLINE\n8\n0\n10\n" << i % 100 << "\n20\n0\n11\n50\n21\n50\n";
    }
    dxf << "0\nENDSEC\n0\nEOF\n";
    std::string big = write_temp(dxf.str(), "big.dxf");
    r = dxfhost({"--memory-limit", "1", "--object", object, big});
    EXPECT_EQ(r.status, 2);
    const std::string alert = "alert: Invalid DXF File: This is not a valid DXF File.\n";
    const std::string message = "error: out of memory (status -101)\n";
    EXPECT_EQ(r.err.substr(0, alert.size() + 5 + big.size()), alert + "  at " + big);
    EXPECT_EQ(r.err.substr(r.err.size() - message.size()), message);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3); // a failure, not a refusal: no why
    EXPECT_LE(read_file(object).size(), std::size_t(1) << 20);
    EXPECT_EQ(dxfhost({"--memory-limit", "4", big}).status, 0);

    // In a batch the summary counts it failed, for want of memory, not refused.
    const std::string summary = temp_path("summary.txt");
    const std::string cmd = shell_quote(DXFHOST_PATH) + " --memory-limit 1 " + shell_quote(big) +
                            " " + shell_quote(bad) + " >" + shell_quote(summary) + " 2>/dev/null";
    std::system(cmd.c_str());
    const Bytes table = read_file(summary);
    const std::string rows(table.begin(), table.end());
    EXPECT_NE(rows.find("out of memory (status -101) (a larger --memory-limit may let it "
                        "through)"),
              std::string::npos)
        << rows;
    EXPECT_NE(rows.find("2 drawings: 0 imported, 1 refused, 1 failed"), std::string::npos) << rows;
}

} // namespace
