// dlgtemplate.h: reading a dialog template in its binary form (the classic form, not the
// extended one), as a resource compiler writes it and as fom_alert is handed it.
//
// Layout, all little-endian: style, extended style (32-bit each), control count, x, y, cx, cy
// (16-bit each); menu, window class and title as "string or ordinal" fields; point size and
// face name when the style holds DS_SETFONT; then each control, starting on a 4-byte boundary
// from the template's start: style, extended style, x, y, cx, cy, identifier, class, title,
// and a count of extra bytes followed by those bytes.
#ifndef KERNEL_DLGTEMPLATE_H
#define KERNEL_DLGTEMPLATE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "../host/kernel.h"

namespace hostk {

constexpr uint32_t kDsSetFont = 0x40;    // style bit: a font block follows the title
constexpr uint16_t kAtomButton = 0x0080; // predefined window classes, by atom
constexpr uint16_t kAtomEdit = 0x0081;
constexpr uint16_t kAtomStatic = 0x0082;
constexpr std::size_t kAlertTemplateMax = 4096; // most bytes fom_alert reads of a template

struct DialogControl {
    uint16_t id = 0;            // control identifier
    uint16_t cls_atom = 0;      // predefined class by atom; 0 when the class is named
    std::string cls_name;       // the class's name when it is not an atom
    std::string text;           // the title text, UTF-8 (empty when it is an ordinal)
    int32_t ordinal = -1;       // the title as an ordinal (e.g. an icon's resource id), else -1
    uint32_t style = 0;         // window style
    uint32_t exstyle = 0;       // extended window style
    int16_t x = 0, y = 0;       // position, dialog units
    int16_t cx = 0, cy = 0;     // size, dialog units
    std::vector<uint8_t> extra; // creation data
};

struct DialogTemplate {
    std::string caption;     // the title, UTF-8
    uint32_t style = 0;      // window style
    uint32_t exstyle = 0;    // extended window style
    int16_t x = 0, y = 0;    // position, dialog units
    int16_t cx = 0, cy = 0;  // size, dialog units
    int32_t menu = -1;       // the menu by ordinal; -1 for none (named menus: see menu_name)
    std::string menu_name;   // the menu by name
    std::string cls_name;    // the window class by name (empty for the dialog class)
    uint16_t point_size = 0; // with DS_SETFONT: the font's size
    std::string font;        // and its face name
    std::vector<DialogControl> controls;
    std::size_t size = 0; // bytes the template takes, up to the end of its last control
};

// Reads the template at data, never looking at more than max bytes. False, with a reason in
// *err (when err is not null), for an extended template or one that is cut off or malformed.
KERNEL_API bool parse_dialog_template(const void* data, std::size_t max, DialogTemplate* out,
                                      std::string* err);

} // namespace hostk

#endif
