// parse_floor: the least a reader of an ASCII drawing must do, as a yardstick for the import.
//   parse_floor DRAWING
// Reads the file in 1 MiB chunks with fread, splits it into lines, converts every code line
// (odd lines) with strtol and every value line with strtod, and prints the number of groups
// and a checksum of what it converted, so that no step can be optimised away.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Totals {
    unsigned long long groups = 0;
    long long codes = 0; // sum of the group codes
    double values = 0;   // sum of the values read as reals
};

void take_line(const char* text, bool code_line, Totals& t) {
    if (code_line) {
        t.codes += std::strtol(text, nullptr, 10);
        ++t.groups;
    } else {
        t.values += std::strtod(text, nullptr);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: parse_floor DRAWING\n");
        return 64;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    std::vector<char> chunk(std::size_t(1) << 20);
    std::string line; // the line being read, carried across chunks
    bool code_line = true;
    Totals t;
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) {
        char* p = chunk.data();
        char* end = p + n;
        while (p < end) {
            char* nl = static_cast<char*>(std::memchr(p, '\n', std::size_t(end - p)));
            if (nl == nullptr) {
                line.append(p, end);
                break;
            }
            *nl = '\0'; // the line ends here: convert it in place
            if (line.empty()) {
                take_line(p, code_line, t);
            } else {
                line.append(p, nl);
                take_line(line.c_str(), code_line, t);
                line.clear();
            }
            code_line = !code_line;
            p = nl + 1;
        }
    }
    if (!line.empty())
        take_line(line.c_str(), code_line, t);
    std::fclose(f);
    std::printf("%llu groups, codes %lld, values %.6g\n", t.groups, t.codes, t.values);
    return 0;
}
