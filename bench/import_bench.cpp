// Import time of generated drawings at 1x, 10x and 100x the blocks and INSERTs of one drawing
// (50 blocks and 500 INSERTs up to 5000 and 50000), the INSERTs alone (of 50 blocks) and the
// loose entities alone (770 up to 77,000). Every step of the import that depends on the number
// of blocks (store growth, reference resolution, block lookups), of INSERTs or of entities
// (the object's growth) must keep the total linear, so the time per item stays flat across the
// three sizes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "drawing_gen.h"
#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace {

// The drawing of a size, written once to a temporary file.
const std::string& drawing_file(const std::string& kind, int scale, const std::string& text) {
    static std::map<std::string, std::string> paths;
    std::string key = kind + std::to_string(scale);
    auto it = paths.find(key);
    if (it != paths.end())
        return it->second;
    std::string path = "/tmp/dxf_bench_" + key + ".dxf";
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    return paths[key] = path;
}

// A fresh host with its alerts silenced.
void fresh_host() {
    hostk::reset();
    hostk::set_output_sink([](const std::string&) {});
}

// Times the import of the drawing at path into a fresh host; the counters tell the items of
// the drawing and the object's size.
void time_import(benchmark::State& state, const std::string& path, const drawgen::Options& o) {
    std::size_t object = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fresh_host();
        hostk::Frame frame = hostk::create_frame();
        int32_t fh = 0;
        fim_fopen(path.c_str(), 0, &fh);
        state.ResumeTiming();
        int32_t stat = parceFile(fh, frame.hdat);
        state.PauseTiming();
        fim_fclose(fh);
        if (stat != 0)
            state.SkipWithError("the import failed");
        object = hostk::block_bytes(frame.hdat).size();
        state.ResumeTiming();
    }
    state.counters["entities"] = o.entities;
    state.counters["blocks"] = o.blocks;
    state.counters["inserts"] = o.inserts;
    state.counters["object_bytes"] = double(object);
    const int items = o.entities + o.inserts;
    state.counters["items_per_s"] =
        benchmark::Counter(double(items), benchmark::Counter::kIsIterationInvariantRate);
    state.SetComplexityN(items);
}

void BM_Import(benchmark::State& state) {
    const int scale = int(state.range(0));
    drawgen::Options o;
    o.blocks = 50 * scale;
    o.inserts = 500 * scale;
    time_import(state, drawing_file("import", scale, drawgen::make_drawing(o.blocks, o.inserts)),
                o);
}
BENCHMARK(BM_Import)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// INSERTs alone: always the same 50 blocks.
void BM_Inserts(benchmark::State& state) {
    const int scale = int(state.range(0));
    drawgen::Options o;
    o.blocks = 50;
    o.inserts = 500 * scale;
    time_import(state, drawing_file("inserts", scale, drawgen::make_drawing(o.blocks, o.inserts)),
                o);
}
BENCHMARK(BM_Inserts)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Loose entities alone: lines, circles, arcs and polylines, no blocks.
void BM_Entities(benchmark::State& state) {
    const int scale = int(state.range(0));
    drawgen::Options o;
    o.entities = 770 * scale;
    time_import(state, drawing_file("entities", scale, drawgen::make_drawing(o)), o);
}
BENCHMARK(BM_Entities)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The BLOCKS section alone, half of its blocks waiting for the block defined after them.
void BM_BlocksSection(benchmark::State& state) {
    const int scale = int(state.range(0));
    const int blocks = 50 * scale;
    const std::string& path = drawing_file("blocks", scale, drawgen::make_blocks_section(blocks));
    for (auto _ : state) {
        state.PauseTiming();
        fresh_host();
        MAXOBJ = 0;
        int32_t fh = 0;
        fim_fopen(path.c_str(), 0, &fh);
        state.ResumeTiming();
        int32_t stat = GetBlocks(fh, nullptr);
        state.PauseTiming();
        fim_fclose(fh);
        if (stat != 0 || MAXOBJ != blocks)
            state.SkipWithError("the blocks section failed");
        emm_rel(hObj);
        hObj = 0;
        state.ResumeTiming();
    }
    state.counters["blocks_per_s"] =
        benchmark::Counter(double(blocks), benchmark::Counter::kIsIterationInvariantRate);
    state.SetComplexityN(blocks);
}
BENCHMARK(BM_BlocksSection)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
