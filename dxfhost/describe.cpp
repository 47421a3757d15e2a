// describe.cpp: describes an object saved with --object (see session.h, describe_object).
//
// Receives the settings; reads the object file whole (bounded by the 32-bit offsets of an
// object) and hands on its dump, its JSON report or its picture.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>

#include "dxfhost/dump.h"
#include "dxfhost/exits.h"
#include "dxfhost/json.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/outputs.h"
#include "dxfhost/session.h"
#include "dxfhost/utf8.h"

namespace session {

namespace {

// Reads a saved object whole. False, with the reason in *err, when it is no regular file or
// cannot be read.
bool read_object_file(const std::string& path, std::vector<uint8_t>* bytes, std::string* err) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec) {
        *err = ec.message();
        return false;
    }
    if (fs::is_directory(st)) {
        *err = "it is a folder";
        return false;
    }
    if (!fs::is_regular_file(st)) {
        *err = "it is not a regular file";
        return false;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        *err = ec.message();
        return false;
    }
    // An object's offsets are 32-bit: a larger file cannot be one.
    if (size > std::uintmax_t(UINT32_MAX)) {
        *err = "it is larger than any object (" + std::to_string(size) + " bytes)";
        return false;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *err = errno != 0 ? std::strerror(errno) : "it cannot be opened";
        return false;
    }
    try {
        bytes->resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        *err = "not enough memory to read its " + std::to_string(size) + " bytes";
        return false;
    }
    in.read(reinterpret_cast<char*>(bytes->data()), std::streamsize(size));
    if (!in || std::size_t(in.gcount()) != bytes->size()) {
        *err = errno != 0 ? std::strerror(errno) : "it changed while it was read";
        return false;
    }
    return true;
}

} // namespace

int describe_object(const Settings& s) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!read_object_file(s.read_object, &bytes, &why)) {
        std::cerr << "dxfhost: cannot read the object '" << s.read_object << "': " << why << "\n";
        return exits::kFailed;
    }
    const view::Shape shape = view::shape_of(bytes.data(), bytes.size());
    int exit_status = shape.damage ? exits::kFailed : exits::kOk;
    if (shape.damage) {
        std::cerr << "dxfhost: '" << s.read_object << "' is damaged at offset "
                  << shape.damage->offset << ": " << shape.damage->what << "\n";
    }
    std::vector<std::string> errors;
    // XML text: the file's name need not be UTF-8.
    const std::string title = utf8::valid(std::filesystem::path(s.read_object).filename().string());
    outputs::write_pictures(bytes.data(), bytes.size(), title, "", s.svg_path, s.png_path, s.width,
                            &errors);
    for (const std::string& e : errors) {
        std::cerr << "dxfhost: " << e << "\n";
        exit_status = exits::kFailed;
    }
    // The records are read out only for the outputs that list them.
    const view::Object obj = s.dump || s.json ? view::read_object(bytes) : view::Object{};
    if (s.dump) {
        std::cout << dump::object_text(obj);
    }
    if (s.json) {
        json::Value j;
        j["schema_version"] = json::kSchemaVersion;
        j["object_file"] = s.read_object;
        j["exit_status"] = exit_status;
        j["object"] = json::object(obj);
        j["errors"] = errors;
        std::cout << json::dump(std::move(j)) << "\n";
    }
    std::cout.flush();
    return exit_status;
}

} // namespace session
