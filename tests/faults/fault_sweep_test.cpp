// fault_sweep_test.cpp: every kernel service failing at its first, last and a spread of middle
// calls (every call where a drawing makes few) while the import command reads each drawing of
// the sweep set; after each run, what the user was told, what was left open, locked or
// allocated, and the frame's blocks are checked, and a good drawing imported next in the same
// module lifetime must give the same bytes as when it was imported first.
//
// FAULT_SWEEP_ALL=1 in the environment fails every call number instead of a sample.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "import_run.h"
#include "sweep_drawings.h"

namespace {

using namespace faults;

// Which section of the drawing a byte offset lies in ("" at the top level): sections run from
// their "SECTION" group to the end of their "ENDSEC" value line.
struct SectionMap {
    struct Span {
        std::size_t begin, end;
        std::string name;
    };
    std::vector<Span> spans;

    explicit SectionMap(const std::string& text) {
        std::vector<std::pair<std::size_t, std::string>> lines; // start offset, text
        for (std::size_t at = 0; at < text.size();) {
            std::size_t nl = text.find('\n', at);
            std::size_t end = nl == std::string::npos ? text.size() : nl;
            std::string s = text.substr(at, end - at);
            while (!s.empty() && (s.back() == '\r' || s.back() == ' '))
                s.pop_back();
            s.erase(0, s.find_first_not_of(' '));
            lines.push_back({at, s});
            at = nl == std::string::npos ? text.size() : nl + 1;
        }
        lines.push_back({text.size(), ""});
        bool open = false;
        for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
            const std::string& code = lines[i].second;
            const std::string& value = lines[i + 1].second;
            if (code == "0" && value.rfind("SECTION", 0) == 0 && !open && i + 3 < lines.size()) {
                spans.push_back({lines[i].first, text.size(), lines[i + 3].second});
                open = true;
            } else if (code == "0" && value.rfind("ENDSEC", 0) == 0 && open) {
                spans.back().end = i + 2 < lines.size() ? lines[i + 2].first : text.size();
                open = false;
            }
        }
    }
    std::string at(int64_t offset) const {
        for (const Span& s : spans)
            if (offset >= int64_t(s.begin) && offset < int64_t(s.end))
                return s.name;
        return "";
    }
};

bool services_like(const char* service, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (service && is(service, n))
            return true;
    return false;
}

// What the user must have been told and what must be left, for a run whose only fault was
// `status` at one call of `service` (none for the clean run); refused_invalid when the clean
// import of the drawing ends with "Invalid DXF File".
void check_run(const ImportRun& r, const SectionMap& sections, bool refused_invalid,
               const char* service, int32_t status, const std::string& why, Findings& f) {
    // a failed end of an access leaves that block locked, and a store that stayed locked or
    // that the host would not free stays allocated; a failed close leaves the file open
    const bool access_kept = services_like(service, {"emm_ewrite", "emm_eread"});
    const bool block_kept = access_kept || services_like(service, {"emm_rel"});
    if (r.open_files != (services_like(service, {"fim_fclose"}) ? r.open_files : 0u))
        f.add(why, "file left open");
    if (r.live_blocks != 2 && !(block_kept && r.live_blocks == 3))
        f.add(why, std::to_string(r.live_blocks) + " blocks live after the import");
    if (!access_kept && (r.frh_locked || r.dat_locked))
        f.add(why, "a frame block left locked");
    check_frame_header(r, why, f);

    for (const hostk::Alert& a : r.alerts)
        if (a.caption != kInvalid && a.caption != kNot3d)
            f.add(why, "alert \"" + a.caption + "\"");

    if (r.result == 1) { // nothing done: allowed only before the file is chosen
        if (!services_like(service, {"xmd_fframe", "fre_change", "fim_xfsel"}))
            f.add(why, "command did nothing");
        if (r.fopen_calls || !r.shown.empty() || r.alert_calls || r.marks || r.frh.size() != 56 ||
            r.dat.size() != kDataBytes || r.live_objects)
            f.add(why, "command that did nothing touched the frame, a file or the user");
        return;
    }
    if (r.mouse != 0)
        f.add(why, "mouse form " + std::to_string(r.mouse) + " left");
    if (r.result == 0) {
        if (r.stat_calls || r.live_objects != 1 || r.marks != 1)
            f.add(why, "succeeded with a message, without its document object or unmarked");
        if (r.frh.size() < 60 || !(r.frh[3] & 0x80) ||
            std::strcmp(reinterpret_cast<const char*>(&r.frh[60]), kFrameName) != 0)
            f.add(why, "succeeded without naming the frame");
        check_object(r, true, why, f);
        return;
    }
    if (r.result != -1) {
        f.add(why, "result " + std::to_string(r.result));
        return;
    }
    if (r.live_objects != (services_like(service, {"dsm_odelete"}) ? r.live_objects : 0u))
        f.add(why, "document object not deleted");
    if (r.stat_calls != 1) {
        f.add(why, std::to_string(r.stat_calls) + " status messages");
        return;
    }
    check_object(r, false, why, f);
    if (services_like(service, {"fom_stat"}))
        return; // the message itself failed: nothing to compare
    const int32_t shown = r.shown.at(0);
    bool invalid_alert = r.alert_calls > 0, not3d_alert = false;
    for (const hostk::Alert& a : r.alerts) {
        invalid_alert = invalid_alert && a.caption == kInvalid;
        not3d_alert = not3d_alert || a.caption == kNot3d;
    }
    if (shown == status && service)
        return; // the host's message for the failing call
    // The module's own statuses: -1 after "Invalid DXF File" (or its failed alert), -2 after
    // the 3-D alert. A host failure becomes -1 where a reader answers -1 for every failure:
    // the header reader (without an alert when its loop ends on a failed read or position
    // call), the tables and blocks readers, and in the entities the line and polyline
    // converters for a file that cannot be read or positioned. A drawing refused as invalid
    // before the fault shows -1 whatever fails later.
    if (shown == ST_INVALID) {
        const std::string where = sections.at(r.last_byte);
        const bool file_call = services_like(service, {"fim_fread", "fim_ftell", "fim_fseek"});
        if (refused_invalid || where == "HEADER" ||
            (invalid_alert &&
             (where == "TABLES" || where == "BLOCKS" || (where == "ENTITIES" && file_call))))
            return;
        f.add(why, "host status " + std::to_string(status) + " shown as -1 in section \"" + where +
                       "\" at byte " + std::to_string(r.last_byte) +
                       (invalid_alert ? "" : " without an alert"));
        return;
    }
    if (shown == ST_NOT3D && (not3d_alert || services_like(service, {"fom_alert"})))
        return;
    f.add(why, "shown status " + std::to_string(shown) + " for a failure with " +
                   std::to_string(status) + " (" + std::to_string(r.alerts.size()) + " alerts)");
}

// The call numbers to fail among a service's `calls` calls of a clean import.
std::vector<std::size_t> call_numbers(std::size_t calls) {
    static const bool all = std::getenv("FAULT_SWEEP_ALL") != nullptr;
    const std::size_t ends = 16, middle = 48;
    std::vector<std::size_t> n;
    if (all || calls <= 2 * ends + middle) {
        for (std::size_t i = 1; i <= calls; i++)
            n.push_back(i);
        return n;
    }
    for (std::size_t i = 1; i <= ends; i++)
        n.push_back(i);
    for (std::size_t k = 1; k <= middle; k++)
        n.push_back(ends + k * (calls - 2 * ends) / (middle + 1));
    for (std::size_t i = calls - ends + 1; i <= calls; i++)
        n.push_back(i);
    return n;
}

TEST(FaultSweep, EveryServiceOfEveryDrawingFailsCleanly) {
    hostk::reset();
    hostk::set_output_sink([](const std::string&) {});

    // The drawing imported after every failing run, first on its own.
    std::string good_text;
    for (const sweep::Drawing& d : sweep::generated_drawings())
        if (d.name == "block_features")
            good_text = d.text;
    const std::string good = write_file("good.dxf", good_text);
    const ImportRun reference = import_once(good);
    ASSERT_EQ(reference.result, 0);
    ASSERT_GT(reference.dat.size(), 200u);

    const std::vector<sweep::Drawing> set = sweep::drawing_set();
    std::size_t runs = 0, succeeded = 0;
    std::vector<std::size_t> failed(kServices.size()); // injected runs of each service
    Findings f;
    for (const sweep::Drawing& d : set) {
        const std::string path = write_file(d.name, d.text);
        const SectionMap sections(d.text);
        hostk::reset();
        const ImportRun clean = import_once(path);
        check_run(clean, sections, true, nullptr, 0, d.name + " clean", f);
        const bool refused_invalid = clean.result == -1 && clean.shown == std::vector<int32_t>{-1};
        for (std::size_t s = 0; s < kServices.size(); s++) {
            const Service& svc = kServices[s];
            for (int32_t status : svc.statuses) {
                // a file that cannot be read, or ends early, fails that read and every later one
                const bool every_after = is(svc.name, "fim_fread");
                for (std::size_t n : call_numbers(clean.counts[s])) {
                    const std::string why =
                        d.name + ": " + svc.name + " call " + std::to_string(n) + " of " +
                        std::to_string(clean.counts[s]) + " fails with " + std::to_string(status);
                    hostk::reset();
                    ImportRun r = import_once(path, svc.name, n, status, every_after);
                    check_run(r, sections, refused_invalid, svc.name, status, why, f);
                    runs++;
                    failed[s]++;
                    succeeded += r.result == 0;
                    // the next import of this module lifetime starts afresh
                    ImportRun after = import_once(good);
                    if (after.result != 0 || after.dat != reference.dat ||
                        after.frh != reference.frh)
                        f.add(why, "the good drawing imported next differs");
                }
            }
        }
    }
    std::printf("fault sweep: %zu injected runs over %zu drawings, %zu of them imported\n", runs,
                set.size(), succeeded);
    for (std::size_t s = 0; s < kServices.size(); s++)
        if (failed[s] == 0)
            std::printf("fault sweep: no drawing calls %s\n", kServices[s].name);
    for (std::size_t i = 0; i < f.all.size() && i < 60; i++)
        ADD_FAILURE() << f.all[i];
    EXPECT_EQ(f.all.size(), 0u);
    EXPECT_GT(runs, 1000u);
    hostk::set_output_sink({});
}

} // namespace
