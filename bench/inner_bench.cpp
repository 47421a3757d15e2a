// The import's inner loops, one at a time: the kernel's one-byte read, the group reader, the
// number conversions, the record writer, the block store's resolving pass and the expansion
// of INSERTs into records. Rates are per byte, group, number, element or INSERT.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "drawing_gen.h"
#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace {

// A text written once to a temporary file, by key.
const std::string& temp_file(const std::string& key, const std::string& text) {
    static std::map<std::string, std::string> paths;
    auto it = paths.find(key);
    if (it != paths.end())
        return it->second;
    std::string path = "/tmp/dxf_inner_bench_" + key + ".dxf";
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    return paths[key] = path;
}

// A drawing of loose entities (about 160 bytes each), of 4 MB.
const std::string& entities_file(std::size_t* bytes) {
    static std::string text = [] {
        drawgen::Options o;
        o.entities = 25000;
        return drawgen::make_drawing(o);
    }();
    *bytes = text.size();
    return temp_file("entities", text);
}

void fresh_host() {
    hostk::reset();
    hostk::set_output_sink([](const std::string&) {});
}

int32_t open(const std::string& path) {
    int32_t fh = 0;
    if (fim_fopen(path.c_str(), 0, &fh) < 0)
        return 0;
    return fh;
}

// fim_fread, one byte per call as the import asks, through a whole file.
void BM_FimFreadByte(benchmark::State& state) {
    std::size_t bytes = 0;
    const std::string& path = entities_file(&bytes);
    fresh_host();
    unsigned sum = 0;
    for (auto _ : state) {
        int32_t fh = open(path);
        unsigned char c = 0;
        while (fim_fread(fh, 1, &c) == 1)
            sum += c;
        fim_fclose(fh);
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_FimFreadByte)->Unit(benchmark::kMillisecond);

// The same bytes through a buffered getc: what a one-byte fim_fread may cost at most.
void BM_GetcByte(benchmark::State& state) {
    std::size_t bytes = 0;
    const std::string& path = entities_file(&bytes);
    unsigned sum = 0;
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        int c;
        while ((c = std::getc(f)) != EOF)
            sum += unsigned(c);
        std::fclose(f);
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_GetcByte)->Unit(benchmark::kMillisecond);

// get_grpnm through a whole drawing.
void BM_GroupReader(benchmark::State& state) {
    std::size_t bytes = 0;
    const std::string& path = entities_file(&bytes);
    fresh_host();
    char text[TEXTLEN];
    uint32_t group = 0, sum = 0;
    std::size_t groups = 0;
    for (auto _ : state) {
        int32_t fh = open(path);
        while (get_grpnm(fh, &group, text) >= 0) {
            sum += group;
            ++groups;
        }
        fim_fclose(fh);
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.counters["groups_per_s"] =
        benchmark::Counter(double(groups), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GroupReader)->Unit(benchmark::kMillisecond);

// Values as drawings write them: coordinates, angles, counts, colour numbers.
std::vector<std::string> number_texts() {
    std::vector<std::string> texts;
    uint32_t state = 7;
    char line[32];
    for (int i = 0; i < 4096; ++i) {
        state = state * 1664525u + 1013904223u;
        switch (i % 4) {
        case 0:
            std::snprintf(line, sizeof line, "%.4f", double(state % 10000000) / 1000.0);
            break;
        case 1:
            std::snprintf(line, sizeof line, "-%.6f", double(state % 1000000) / 10000.0);
            break;
        case 2:
            std::snprintf(line, sizeof line, "%d", int(state % 256));
            break;
        default:
            std::snprintf(line, sizeof line, "%.15g", double(state) * 1.1e-3);
            break;
        }
        texts.emplace_back(line);
    }
    return texts;
}

void BM_Atof(benchmark::State& state) {
    const std::vector<std::string> texts = number_texts();
    double sum = 0;
    for (auto _ : state)
        for (const std::string& t : texts)
            sum += dxf_atof(t.c_str());
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(texts.size()));
}
BENCHMARK(BM_Atof);

void BM_Atol(benchmark::State& state) {
    const std::vector<std::string> texts = number_texts();
    int64_t sum = 0;
    for (auto _ : state)
        for (const std::string& t : texts)
            sum += dxf_atol(t.c_str());
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(texts.size()));
}
BENCHMARK(BM_Atol);

// Opens a fresh frame's data block for writing, as the section driver does.
bool open_object(const std::string& what, benchmark::State& state) {
    fresh_host();
    hostk::set_memory_limit(std::size_t(1) << 31);
    hostk::Frame frame = hostk::create_frame();
    hogr = frame.hdat;
    tSize = Offset = VOHOffset = 24;
    vohSize = 0;
    dminx = dminy = 0.0;
    dmaxx = dmaxy = dwidth = dheight = 1000.0;
    if (emm_write(hogr, reinterpret_cast<void**>(&pogr), 0) < 0) {
        state.SkipWithError((what + ": the data block cannot be opened").c_str());
        return false;
    }
    return true;
}

// insert_nexel: records of a move, eight lines, an arc and a circle, 10,000 per round.
void BM_InsertNexel(benchmark::State& state) {
    constexpr int kRecords = 10000;
    for (auto _ : state) {
        state.PauseTiming();
        if (!open_object("insert_nexel", state))
            break;
        state.ResumeTiming();
        for (int r = 0; r < kRecords; ++r) {
            int16_t x = int16_t(r & 0x3FFF);
            insert_nexel(14, 0, 0, 0, 0, 0, 0);
            insert_nexel(0, x, 10, 0, 0, 0, 0);
            for (int i = 0; i < 8; ++i)
                insert_nexel(1, int16_t(x + i), int16_t(20 + i), 0, 0, 0, 0);
            insert_nexel(3, x, 100, 200, 300, 400, 500);
            insert_nexel(9, x, 100, 50, 0, 0, 0);
            if (insert_nexel(15, 0, 0, 0, 0, 0, 0) < 0) {
                state.SkipWithError("insert_nexel failed");
                break;
            }
        }
        state.PauseTiming();
        emm_ewrite(hogr);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecords * 13);
}
BENCHMARK(BM_InsertNexel)->Unit(benchmark::kMillisecond);

// The resolving pass: a tower of blocks written from the top down, so that every INSERT in
// it waits for the block it names, defined after it. Arguments: levels, fanout.
void BM_ResolvingPass(benchmark::State& state) {
    const int levels = int(state.range(0)), fanout = int(state.range(1));
    const std::string& path =
        temp_file("tower_down_" + std::to_string(levels) + "_" + std::to_string(fanout),
                  drawgen::make_tower_section(levels, fanout, true));
    for (auto _ : state) {
        state.PauseTiming();
        fresh_host();
        hostk::set_memory_limit(std::size_t(1) << 31);
        MAXOBJ = 0;
        int32_t fh = open(path);
        state.ResumeTiming();
        int32_t stat = GetBlocks(fh, nullptr);
        state.PauseTiming();
        fim_fclose(fh);
        if (stat != 0 || MAXOBJ != levels + 1)
            state.SkipWithError("the blocks section failed");
        emm_rel(hObj);
        hObj = 0;
        state.ResumeTiming();
    }
    state.counters["levels"] = levels;
    state.counters["fanout"] = fanout;
}
BENCHMARK(BM_ResolvingPass)
    ->Args({6, 2})
    ->Args({8, 2})
    ->Args({10, 2})
    ->Args({4, 4})
    ->Unit(benchmark::kMillisecond);

// INSERT expansion: the entities of a drawing are INSERTs of the top of a tower whose blocks
// are all resolved; each one becomes fanout^levels copies of the symbol. Arguments: levels,
// INSERTs.
void BM_InsertExpansion(benchmark::State& state) {
    const int levels = int(state.range(0)), inserts = int(state.range(1));
    const std::string key = std::to_string(levels) + "_" + std::to_string(inserts);
    const std::string& blocks = temp_file("tower_up_" + std::to_string(levels),
                                          drawgen::make_tower_section(levels, 2, false));
    const std::string& entities =
        temp_file("inserts_" + key, drawgen::make_insert_section(levels, inserts));
    std::size_t object = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!open_object("expansion", state))
            break;
        MAXOBJ = 0;
        int32_t fb = open(blocks);
        int32_t fe = open(entities);
        int32_t stat = GetBlocks(fb, nullptr);
        state.ResumeTiming();
        if (stat == 0)
            stat = GetEntities(fe, nullptr);
        state.PauseTiming();
        if (stat != 0)
            state.SkipWithError("the expansion failed");
        object = tSize;
        fim_fclose(fb);
        fim_fclose(fe);
        emm_ewrite(hogr);
        emm_rel(hObj);
        hObj = 0;
        state.ResumeTiming();
    }
    state.counters["object_bytes"] = double(object);
    state.counters["inserts_per_s"] =
        benchmark::Counter(double(inserts), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_InsertExpansion)->Args({4, 2000})->Args({8, 200})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
