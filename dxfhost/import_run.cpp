// import_run.cpp: one import of one drawing (see import_run.h).
#include "dxfhost/import_run.h"

#include <cstdio>
#include <filesystem>

namespace host {

bool run_import(Plugin& plugin, const std::string& drawing, const std::string& name,
                const ImportOptions& options, ImportResult* result, std::string* err) {
    *result = ImportResult{};
    hostk::reset();
    hostk::set_memory_limit(options.memory_limit);
    // A line comes with an alert or with a status message: whichever list it made longer.
    std::size_t statuses = 0;
    hostk::set_output_sink([&](const std::string& line) {
        const bool message = hostk::shown_statuses().size() > statuses;
        statuses = hostk::shown_statuses().size();
        result->lines.push_back({!message, line});
        if (options.echo) {
            std::fprintf(stderr, "%s\n", line.c_str());
            std::fflush(stderr);
        }
    });

    hostk::Frame frame = hostk::create_frame(24);
    if (frame.hfrh == 0) {
        hostk::set_output_sink({});
        *err = "cannot make the frame to import into: out of memory";
        return false;
    }
    hostk::set_selection(drawing,
                         name.empty() ? std::filesystem::path(drawing).filename().string() : name);

    result->status = plugin.exec(0);

    // What the module could not say (a resource it did not find) follows what it showed.
    for (const std::string& note : hostk::notes())
        result->lines.push_back(Shown{false, note});
    result->alerts = hostk::alerts();
    result->statuses = hostk::shown_statuses();
    const hostk::BlockView object = hostk::block_view(frame.hdat);
    result->object = BlockBytes::in_place(object.data, object.size);
    result->frame_header = hostk::block_bytes(frame.hfrh);
    result->last_read = hostk::last_read();
    hostk::set_output_sink({});
    return true;
}

} // namespace host
