// import_run.cpp: one import of one drawing (see import_run.h).
#include "dxfhost/import_run.h"

#include <cstdio>
#include <filesystem>

namespace host {

bool run_import(Plugin& plugin, const std::string& drawing, const ImportOptions& options,
                ImportResult* result, std::string* err) {
    *result = ImportResult{};
    hostk::reset();
    hostk::set_memory_limit(options.memory_limit);
    hostk::set_output_sink([&](const std::string& line) {
        result->lines.push_back(line);
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
    hostk::set_selection(drawing, std::filesystem::path(drawing).filename().string());

    result->status = plugin.exec(0);

    // What the module could not say (a resource it did not find) follows what it showed.
    result->lines.insert(result->lines.end(), hostk::notes().begin(), hostk::notes().end());
    result->alerts = hostk::alerts();
    result->statuses = hostk::shown_statuses();
    result->object = hostk::block_bytes(frame.hdat);
    result->frame_header = hostk::block_bytes(frame.hfrh);
    result->last_read = hostk::last_read();
    std::size_t frame_blocks =
        std::size_t(hostk::block_exists(frame.hfrh)) + std::size_t(hostk::block_exists(frame.hdat));
    result->blocks_left = hostk::live_blocks() - frame_blocks;
    result->files_left = hostk::open_files();
    result->frame_locked = hostk::block_locked(frame.hfrh) || hostk::block_locked(frame.hdat);
    hostk::set_output_sink({});
    return true;
}

int exit_status(int32_t status) {
    switch (status) {
    case 0:
        return 0;
    case 1:
        return 1;
    default:
        return 2;
    }
}

} // namespace host
