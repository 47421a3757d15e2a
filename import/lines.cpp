/*
 * lines.cpp: the LINE and POLYLINE converters.
 *
 * Receives the open file from the entities reader just after the pair (0, "LINE") or
 * (0, "POLYLINE"), and the drawing-to-object mapping (dminx, dminy, dwidth, dheight). A LINE
 * becomes one record of a move and a line element; a POLYLINE with its vertices up to its
 * SEQEND becomes one open path of line elements. Each record gets its box on the object grid
 * and its points on its own record grid, and hands on through the record writer; the file is
 * left at the first pair that belongs to the entities reader again.
 */
#include <new>
#include <vector>

#include "dxf.h"

/* The top edge of a box on the object grid, y running downward: 16384 minus the rounded
 * position of its lower edge minus its (already stored) height, kept in 16 bits. */
static int16_t box_top(double miny, uint16_t height) {
    uint16_t bottom = uint16_t(dxf_r16(grid_y(miny)));
    return int16_t(uint16_t(uint32_t(GRID) - bottom - height));
}

/* Writes the box of the open record from the extents of its points: a LINE's box is rounded
 * onto the object grid, a polyline's truncated. */
static void write_box(double minx, double miny, double width, double height, int rounded) {
    if (rounded) {
        pvoh->xpos = dxf_r16(grid_x(minx));
        pvoh->width = uint16_t(dxf_r16(grid_w(width)));
        pvoh->height = uint16_t(dxf_r16(grid_h(height)));
    } else {
        pvoh->xpos = dxf_t16(grid_x(minx));
        pvoh->width = uint16_t(dxf_t16(grid_w(width)));
        pvoh->height = uint16_t(dxf_t16(grid_h(height)));
    }
    pvoh->ypos = box_top(miny, pvoh->height);
}

/* Writes a LINE's record from its two points; 0, or the writer's negative status. */
static int32_t line_record(double x1, double y1, double x2, double y2) {
    int32_t stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    double minx = dxf_smaller(x1, x2);
    double maxx = dxf_larger(x1, x2);
    double miny = dxf_smaller(y1, y2);
    double maxy = dxf_larger(y1, y2);
    double w = maxx - minx;
    double h = maxy - miny;

    write_box(minx, miny, w, h, 1);

    /* A zero w or h makes the quotient undefined, and R of it 0. */
    stat = insert_nexel(0, dxf_r16((x1 - minx) * GRID / w), dxf_r16(GRID - (y1 - miny) * GRID / h),
                        0, 0, 0, 0);
    if (stat >= 0)
        stat = insert_nexel(1, dxf_r16((x2 - minx) * GRID / w),
                            dxf_r16(GRID - (y2 - miny) * GRID / h), 0, 0, 0, 0);
    if (stat >= 0)
        stat = insert_nexel(15, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    set_fixed_attributes(1);
    return 0;
}

/*
 * Converts one LINE. The entity ends with its group 21: the record is written then, and the
 * groups after it are left to the entities reader. Coordinates the file does not give are 0.
 * A group 0 met first ends the entity without a record and returns the file to the start of
 * that group, for the entities reader to read it. Like every other group it counts even when
 * its read failed (a last line without a line feed, or the empty group 0 that the end of the
 * file leaves): the entities reader then meets the same failure and ends on its status.
 * Returns 0 in these cases; ST_READ when the file fails on any other group first; the host's
 * negative status when the file cannot be positioned or the record cannot grow.
 */
int32_t draw_line(int32_t fh, DXF* dxfheader) {
    (void)dxfheader;
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = 0;
    double x1 = 0.0, y1 = 0.0; /* start point, drawing units */
    double x2 = 0.0, y2 = 0.0; /* end point */
    while (stat >= 0) {
        uint32_t pos = 0; /* start of the group about to be read */
        stat = fim_ftell(fh, &pos);
        if (stat < 0)
            return stat;
        stat = get_grpnm(fh, &group, text);
        switch (group) {
        case 0: {
            int32_t seek = fim_fseek(fh, pos, 0);
            return seek < 0 ? seek : 0;
        }
        case 10:
            x1 = dxf_atof(text);
            break;
        case 20:
            y1 = dxf_atof(text);
            break;
        case 11:
            x2 = dxf_atof(text);
            break;
        case 21:
            y2 = dxf_atof(text);
            return line_record(x1, y1, x2, y2);
        default: /* layer, line type, colour, thickness, z: not applied */
            break;
        }
    }
    return ST_READ;
}

/*
 * Converts one POLYLINE and its vertices, through its (0, "SEQEND"). Returns 0 there (a
 * polyline without vertices makes no record); ST_READ when the file fails first; the negative
 * status with which draw_vertex ended the conversion. The layer, line type, colour and width
 * are resolved but every record carries the same fixed appearance.
 */
int32_t draw_polyline(int32_t fh, DXF* dxfheader) {
    (void)dxfheader;
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = 0;
    ONELINE style = {0, 0, 0.0, 0}; /* attributes collected so far */
    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        switch (group) {
        case 0:
            if (kw_match(text, "SEQEND"))
                return 0;
            if (kw_match(text, "VERTEX")) {
                int32_t vstat = draw_vertex(fh, style);
                if (vstat < 0)
                    return vstat;
            }
            break;
        case 8:
            style.Layer = get_layerno(text);
            style.Type = get_linetype("BYLAYER", style.Layer);
            style.Width = 0.0;
            style.Color = get_color("BYLAYER", style.Layer);
            break;
        case 6:
            style.Type = get_linetype(text, style.Layer);
            break;
        case 62:
            style.Color = get_color(text, style.Layer);
            break;
        case 39:
            style.Width = dxf_atof(text);
            break;
        default: /* flags (a closed polyline stays open), widths, its own point, ... */
            break;
        }
    }
    return ST_READ;
}

/* A vertex as the first pass over a polyline's vertices met it: what its point is made of. */
struct KEPTVERTEX {
    double x;      /* value of the latest group 10 before its group 20, drawing units */
    double y;      /* value of its group 20 */
    uint32_t at;   /* file position where its group 20 begins */
    uint8_t has_x; /* a group 10 came before its group 20 */
};
uint32_t KEEPVTX = uint32_t(1) << 19; /* 12 MiB of vertices */
static std::vector<KEPTVERTEX> kept;  /* the vertices of the polyline being converted */

/* Forgets the kept vertices. A long polyline's room goes back at once rather than staying with
 * the module between imports; the room of ordinary ones is kept for the next polyline. */
static void release_kept() {
    if (kept.capacity() > 65536)
        std::vector<KEPTVERTEX>().swap(kept);
    else
        kept.clear();
}

/* Appends the point of a vertex: xp on the record grid already, y the value of its group 20. */
static int32_t vertex_point(double xp, double y, double miny, double height, int start) {
    double yg = (y - miny) * GRID / height;
    int16_t yp = int16_t(uint16_t(uint32_t(GRID) - uint16_t(dxf_r16(yg))));
    return insert_nexel(start ? 1 : 0, dxf_r16(xp), yp, 0, 0, 0, 0);
}

/* Appends the points of the kept vertices, then ends the record when the SEQEND (beginning at
 * seqend) was read: what a second reading of the same groups appends. When the record cannot
 * grow, the file is put where that reading would have stood: just after the vertex's group
 * 20. 0; ST_READ when the file failed before the SEQEND (the record is left open); the host's
 * status when the file cannot be positioned or the record cannot grow. */
static int32_t append_kept(int32_t fh, int seen_end, uint32_t seqend, double minx, double miny,
                           double width, double height) {
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const KEPTVERTEX& v = kept[i];
        double xp = v.has_x ? (v.x - minx) * GRID / width : 0.0;
        int32_t ins = vertex_point(xp, v.y, miny, height, i > 0);
        if (ins < 0) {
            char text[TEXTLEN];
            uint32_t group = 0;
            if (fim_fseek(fh, v.at, 0) >= 0)
                get_grpnm(fh, &group, text);
            return ins;
        }
    }
    if (!seen_end)
        return ST_READ;
    int32_t seek = fim_fseek(fh, seqend, 0); /* the SEQEND belongs to draw_polyline */
    if (seek < 0)
        return seek;
    int32_t ins = insert_nexel(15, 0, 0, 0, 0, 0, 0);
    if (ins < 0)
        return ins;
    set_fixed_attributes(0);
    return 0;
}

/*
 * Converts the vertices from just after the first vertex's opening pair to the SEQEND. A first
 * pass finds the extents and writes the box; then one point is appended per group 20, with the
 * latest group 10 (0 before any). The first pass keeps what it read of the vertices, so the
 * points come from it; a polyline of more vertices than are kept is read a second time for its
 * points. Leaves the file at the start of the (0, "SEQEND") pair. Returns 0; ST_READ when the
 * file fails before the SEQEND (the record is then left open), or 0 then for a polyline read
 * twice; the host's negative status when the file cannot be positioned or the record cannot
 * grow.
 */
int32_t draw_vertex(int32_t fh, ONELINE style) {
    (void)style;
    char text[TEXTLEN];
    uint32_t group = 0;
    double minx = GRID, miny = GRID;   /* extents of the vertices, drawing units; these start */
    double maxx = -GRID, maxy = -GRID; /* values bound the box by the grid's span */
    int Start = 0;                     /* the first point was appended */
    int breakstat = 0;                 /* the SEQEND was read */
    uint32_t startVertex = 0;          /* where the pass begins, later the group being read */

    int32_t stat = fim_ftell(fh, &startVertex);
    if (stat < 0)
        return stat;
    stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;

    kept.clear();
    int keep = 1;       /* every vertex so far is kept */
    uint32_t at = 0;    /* where the group being read begins */
    double lastx = 0.0; /* value of the latest group 10 */
    int has_x = 0;      /* a group 10 was read */
    while (stat >= 0 && !breakstat) {
        if (keep) {
            int32_t pos = fim_ftell(fh, &at);
            if (pos < 0)
                return pos;
        }
        stat = get_grpnm(fh, &group, text);
        if (group == 0) {
            if (kw_match(text, "SEQEND"))
                breakstat = 1;
        } else if (group == 10) {
            double x = dxf_atof(text);
            minx = dxf_smaller(minx, x);
            maxx = dxf_larger(maxx, x);
            lastx = x;
            has_x = 1;
        } else if (group == 20) {
            double y = dxf_atof(text);
            miny = dxf_smaller(miny, y);
            maxy = dxf_larger(maxy, y);
            if (keep && kept.size() < KEEPVTX) {
                try {
                    kept.push_back(KEPTVERTEX{lastx, y, at, uint8_t(has_x)});
                } catch (const std::bad_alloc&) {
                    keep = 0;
                }
            } else {
                keep = 0;
            }
        }
    }

    double width = maxx - minx;
    double height = maxy - miny;
    write_box(minx, miny, width, height, 0);
    if (keep) {
        int32_t appended = append_kept(fh, breakstat, at, minx, miny, width, height);
        release_kept();
        return appended;
    }
    release_kept();

    stat = fim_fseek(fh, startVertex, 0);
    if (stat < 0)
        return stat;
    breakstat = 0;

    double xp = 0.0; /* record-grid x of the latest group 10 */
    while (stat >= 0 && !breakstat) {
        fim_ftell(fh, &startVertex);
        stat = get_grpnm(fh, &group, text);
        if (group == 10) {
            xp = (dxf_atof(text) - minx) * GRID / width;
        } else if (group == 20) {
            int32_t ins = vertex_point(xp, dxf_atof(text), miny, height, Start);
            if (ins < 0)
                return ins;
            Start = 1;
        } else if (group == 0 && kw_match(text, "SEQEND")) {
            /* The SEQEND belongs to draw_polyline: step back before it. */
            int32_t seek = fim_fseek(fh, startVertex, 0);
            if (seek < 0)
                return seek;
            breakstat = 1;
            int32_t ins = insert_nexel(15, 0, 0, 0, 0, 0, 0);
            if (ins < 0)
                return ins;
            set_fixed_attributes(0);
        }
    }
    return 0;
}
