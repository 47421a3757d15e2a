// outputs.h: the files dxfhost writes, and the rule that none of them lands on a drawing.
//
// Receives paths from the command line ("-" meaning standard output) and the bytes or text to
// write. Hands on whether each file was written, with the system's reason when not. Before a
// run, drawing_in_the_way() tells whether a path names a drawing, which no output may replace.
#ifndef DXFHOST_OUTPUTS_H
#define DXFHOST_OUTPUTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace outputs {

constexpr char kStandard[] = "-"; // the path of standard input and standard output

// An existing file at path that is a drawing: its name ends in ".dxf" (in any case), or its
// content begins like a DXF group pair. Paths that name no file, and "-", are no drawing.
bool is_drawing(const std::string& path);

// Writes the bytes to path, or to standard output for "-". False, with the reason in *err.
bool write_bytes(const std::string& path, const void* data, std::size_t size, std::string* err);
bool write_text(const std::string& path, const std::string& text, std::string* err);

// The picture files of one object, drawn from its bytes (empty paths are skipped); an error per
// file not written. note, when not empty, is written on the picture (see svg::render).
void write_pictures(const uint8_t* object, std::size_t size, const std::string& title,
                    const std::string& note, const std::string& svg_path,
                    const std::string& png_path, int width, std::vector<std::string>* errors);

// The files an output folder receives for a drawing whose outputs are named stem.
struct FolderFiles {
    std::string object, svg, png, text; // png empty when this dxfhost makes no PNG pictures
};
FolderFiles folder_files(const std::string& dir, const std::string& stem);

} // namespace outputs

#endif
