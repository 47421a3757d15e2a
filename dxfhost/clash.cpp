// clash.cpp: the outputs of a run checked against its inputs and against each other.
//
// Every path is made canonical once and, when it names an existing file, gets that file's
// identity once (device and inode; on Windows the standard library's equivalence, asked only
// between existing files). Clashes are then found through maps keyed by those, and the first
// clash in the order of the outputs is the one reported, naming the first input or output it
// meets, as a pairwise search would.
#include "dxfhost/clash.h"

#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "dxfhost/outputs.h"

namespace clash {

namespace {

namespace fs = std::filesystem;

// How a path is known: its canonical form (when it can be made) and, when it names an
// existing file, that file.
struct Name {
    std::optional<std::string> canonical;
    bool exists = false;
#if !defined(_WIN32)
    std::pair<unsigned long long, unsigned long long> file{0, 0};
#endif
    std::string path;
};

Name name_of(const std::string& path) {
    Name n;
    n.path = path;
    std::error_code ec;
    fs::path c = fs::weakly_canonical(path, ec);
    if (!ec) {
        n.canonical = c.string();
    }
#if defined(_WIN32)
    n.exists = fs::exists(path, ec) && !ec;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        n.exists = true;
        n.file = {static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino)};
    }
#endif
    return n;
}

// Names seen so far, each with the index of the first path that had it.
class Seen {
  public:
    void add(const Name& n, std::size_t index) {
        if (n.canonical) {
            by_canonical_.emplace(*n.canonical, index);
        }
        if (n.exists) {
#if defined(_WIN32)
            existing_.emplace_back(n.path, index);
#else
            by_file_.emplace(n.file, index);
#endif
        }
    }

    // The first index whose path names the same file as n, if any.
    std::optional<std::size_t> first_match(const Name& n) const {
        std::optional<std::size_t> best;
        auto take = [&best](std::size_t i) {
            if (!best || i < *best) {
                best = i;
            }
        };
        if (n.canonical) {
            if (auto it = by_canonical_.find(*n.canonical); it != by_canonical_.end()) {
                take(it->second);
            }
        }
        if (n.exists) {
#if defined(_WIN32)
            for (const auto& [path, index] : existing_) {
                std::error_code ec;
                if ((!best || index < *best) && fs::equivalent(n.path, path, ec) && !ec) {
                    take(index);
                }
            }
#else
            if (auto it = by_file_.find(n.file); it != by_file_.end()) {
                take(it->second);
            }
#endif
        }
        return best;
    }

  private:
    std::unordered_map<std::string, std::size_t> by_canonical_;
#if defined(_WIN32)
    std::vector<std::pair<std::string, std::size_t>> existing_;
#else
    std::map<std::pair<unsigned long long, unsigned long long>, std::size_t> by_file_;
#endif
};

} // namespace

std::string output_clash(const std::vector<Output>& outputs, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& stdout_users) {
    std::vector<std::string> users = stdout_users;
    Seen read;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (inputs[i] != outputs::kStandard) {
            read.add(name_of(inputs[i]), i);
        }
    }
    Seen written;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto& [who, path] = outputs[i];
        if (path == outputs::kStandard) {
            users.push_back(who);
            continue;
        }
        if (outputs::is_drawing(path)) {
            return who + " would write over '" + path + "', which is a drawing: name another file";
        }
        const Name n = name_of(path);
        if (auto input = read.first_match(n)) {
            return who + " would write over '" + inputs[*input] +
                   "', which is read: name another file";
        }
        if (auto before = written.first_match(n)) {
            return outputs[*before].who + " and " + who + " name the same file: name two files";
        }
        written.add(n, i);
    }
    if (users.size() > 1) {
        return users[0] + " and " + users[1] + " both write standard output: choose one";
    }
    return "";
}

} // namespace clash
