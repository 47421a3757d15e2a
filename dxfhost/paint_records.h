// paint_records.h: inks an object's records onto a canvas (ink.h), where the SVG picture puts
// them.
//
// Receives a walk over the object (object_walk.h), the page laid over the picture and a canvas.
// Every grid point goes where svg::to_page puts it, scaled to the picture; an arc becomes
// straight pieces within a fifth of a pixel of it, running as svg::path_data draws it; each
// record is one stroke. Also finds where an object can be cut in two, so that its halves can be
// inked side by side.
#ifndef DXFHOST_PAINT_RECORDS_H
#define DXFHOST_PAINT_RECORDS_H

#include <cstddef>
#include <cstdint>

#include "dxfhost/ink.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/svg.h"

namespace paint {

// The page fitted to the picture: page units to pixels.
struct Mapping {
    svg::Page page;
    double scale = 1, tx = 0, ty = 0;
};

// Inks the records the walk hands on, from where it stands up to the record at offset until
// (that one left for another walk) or to the end of the object, whichever comes first, and
// finishes the canvas.
void ink_records(view::Walk& walk, uint64_t until, const Mapping& m, ink::Canvas& canvas);

// A record near the middle of the object's bytes, found by following the records' sizes from
// where the walk stands: its offset and index. False when the records before the middle do not
// lead there (the object ends, or its layout breaks, first).
bool middle_record(const view::Walk& walk, uint64_t* offset, std::size_t* index);

} // namespace paint

#endif
