// outputs.cpp: writes files and standard output, and recognises drawings (see outputs.h).
#include "dxfhost/outputs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "dxfhost/groups.h"
#include "dxfhost/png.h"
#include "dxfhost/svg.h"

namespace outputs {

namespace {

std::string why_not() {
    return errno != 0 ? std::string(": ") + std::strerror(errno) : "";
}

} // namespace

bool is_drawing(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path == kStandard || !fs::is_regular_file(path, ec) || ec) {
        return false;
    }
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) {
        c = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return ext == ".DXF" || groups::begins_like_drawing(path);
}

bool write_bytes(const std::string& path, const void* data, std::size_t size, std::string* err) {
    errno = 0;
    if (path == kStandard) {
        const bool ok = std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
        if (!ok) {
            *err = "cannot write standard output" + why_not();
        }
        return ok;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        *err = "cannot write '" + path + "'" + why_not();
        return false;
    }
    out.write(static_cast<const char*>(data), std::streamsize(size));
    out.close();
    if (!out) {
        *err = "cannot write '" + path + "'" + why_not();
        return false;
    }
    return true;
}

bool write_text(const std::string& path, const std::string& text, std::string* err) {
    return write_bytes(path, text.data(), text.size(), err);
}

void write_pictures(const uint8_t* object, std::size_t size, const std::string& title,
                    const std::string& note, const std::string& svg_path,
                    const std::string& png_path, int width, std::vector<std::string>* errors) {
    std::string err;
    if (!svg_path.empty() && !write_text(svg_path, svg::render(object, size, title, note), &err)) {
        errors->push_back(err);
    }
    if (!png_path.empty() && !png::write_object(object, size, note, width, png_path, &err)) {
        errors->push_back(err);
    }
}

FolderFiles folder_files(const std::string& dir, const std::string& stem) {
    const std::filesystem::path d(dir);
    FolderFiles f;
    f.object = (d / (stem + ".obj")).string();
    f.svg = (d / (stem + ".svg")).string();
    f.png = png::available() ? (d / (stem + ".png")).string() : "";
    f.text = (d / (stem + ".txt")).string();
    return f;
}

} // namespace outputs
