/*
 * resolve.cpp: the BLOCKS section reader, its resolving pass.
 *
 * Receives the block store as the reading pass (blocks.cpp) left it, open for writing: records
 * whose references to other blocks are not replaced yet carry inc = 1. Replaces every reference
 * by a copy of the items of the record it names, placed as the reference says: each point and
 * arc centre p of the named block becomes insertion point + scale x (p - base point), radii are
 * scaled by |x scale|, and the arcs of a mirrored copy get mirrored angles; the extents of the
 * referring record are widened by the copy. Hands back the store holding only moves, draws and
 * arcs, every inc 0.
 *
 * A reference is replaced once the record it names is resolved itself; the items of a record
 * never change after that, and each record's references are replaced in their order, so the
 * store that results does not depend on the order in which the replacements are made. They are
 * made in sweeps over the whole store: a sweep plans the replacements that can be made (and
 * removes references to names without a record), grows the store once and moves every byte at
 * most twice, so a sweep costs the store's size however many references it replaces. Sweeps run
 * alternately from the first record to the last and from the last to the first; a sweep may
 * copy records resolved earlier in the same sweep, so nesting defined in either order needs one
 * or two sweeps.
 */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "blockstore.h"
#include "dxf.h"

enum : int32_t { REMOVED = -1 }; /* PIECE.p of a reference to a name without a record */

/* One replacement of a sweep. */
struct PIECE {
    uint32_t rec;      /* number of the record that holds the reference */
    uint32_t src;      /* store offset of the reference item before the sweep */
    uint32_t old_size; /* bytes of the reference item */
    int32_t p;         /* number of the record copied, or REMOVED */
    uint32_t new_size; /* bytes of the copy */
    uint32_t dst;      /* store offset of the copy after the sweep */
};

static std::vector<uint32_t> recoff;  /* store offset of each record, by number */
static std::vector<uint32_t> recsize; /* size of each record (its next) */
static std::vector<uint32_t> newsize; /* size of each record after the planned sweep */
static std::vector<uint32_t> newoff;  /* store offset of each record after the planned sweep */
static std::vector<uint32_t> resume;  /* where a record's walk goes on, from its start */
static std::vector<uint8_t> pending;  /* the record still holds references */
static std::vector<uint8_t> done_now; /* the planned sweep resolves the record */
static std::vector<PIECE> pieces;     /* replacements of the planned sweep, by src */
static std::unordered_map<std::string, uint32_t> byname; /* first record of each name */
static uint32_t store_size;                              /* the store's size in bytes */

void mirror_angles(double sx, double sy, double* start, double* end) {
    double s = *start, e = *end;
    if (sx < 0 && sy >= 0) {
        s = 180.0 - *end; /* mirrored across the y axis */
        e = 180.0 - *start;
    } else if (sy < 0 && sx >= 0) {
        s = 360.0 - *end; /* across the x axis */
        e = 360.0 - *start;
    } else if (sx < 0 && sy < 0) {
        s = *start + 180.0; /* both: turned half a turn */
        e = *end + 180.0;
    } else {
        return;
    }
    for (double* a : {&s, &e}) {
        if (*a >= 360.0)
            *a -= 360.0;
        else if (*a < 0.0)
            *a += 360.0;
    }
    *start = s;
    *end = e;
}

/* Plans one sweep: for every record that holds references, its references from where its
 * walk stopped, up to the first one naming a record that is not resolved (or resolved in this
 * sweep but not yet passed by it). Returns non-zero when the sweep changes anything. */
static int plan_sweep(int forward) {
    uint32_t n = uint32_t(recsize.size());
    pieces.clear();
    newsize = recsize;
    done_now.assign(n, 0);
    int progress = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t k = forward ? i : n - 1 - i;
        if (!pending[k])
            continue;
        uint32_t base = recoff[k], pos = resume[k];
        int64_t grow = 0;
        size_t first = pieces.size();
        while (pos < recsize[k]) {
            uint32_t left = recsize[k] - pos;
            int t = item_type(base + pos);
            if ((t == ITEM_MOVE || t == ITEM_DRAW) && left >= POINT_SIZE) {
                pos += POINT_SIZE;
                continue;
            }
            if (t == ITEM_ARC && left >= ARC_SIZE) {
                pos += ARC_SIZE;
                continue;
            }
            if (t != ITEM_INSERT || left <= INSERT_NAME)
                break; /* cannot occur: the record stays unresolved */
            const char* nameI = reinterpret_cast<const char*>(store_at(base + pos + INSERT_NAME));
            uint32_t len = bounded_len(nameI, left - INSERT_NAME - 1);
            uint32_t old_size = insert_size(len);
            auto found = byname.find(std::string(nameI, len < NAMEKEEP ? len : NAMEKEEP));
            PIECE piece = {k, base + pos, old_size, REMOVED, 0, 0};
            if (found != byname.end()) {
                uint32_t p = found->second;
                /* Resolved before the sweep, or by it already: the sweep has passed p. */
                if (pending[p] && !done_now[p])
                    break;
                piece.p = int32_t(p);
                piece.new_size = newsize[p] - BLKHDR;
            }
            pieces.push_back(piece);
            grow += int64_t(piece.new_size) - int64_t(old_size);
            pos += old_size;
        }
        if (pos >= recsize[k])
            done_now[k] = 1;
        if (pieces.size() != first || done_now[k])
            progress = 1;
        int64_t size = int64_t(recsize[k]) + grow;
        newsize[k] = size > int64_t(STOREMAX) ? STOREMAX + 1u : uint32_t(size);
        resume[k] = uint32_t(int64_t(pos) + grow); /* in the record as the sweep leaves it */
    }
    if (!forward) {
        /* Planned record by record from the last; carried out by store offset. */
        std::sort(pieces.begin(), pieces.end(),
                  [](const PIECE& a, const PIECE& b) { return a.src < b.src; });
    }
    return progress;
}

/* Writes at dst the items of the record at store offset prec, psize bytes long, placed by a
 * reference: every point and arc centre (x, y) becomes (ix + sx (x - bx), iy + sy (y - by))
 * with (bx, by) the record's base point; arc radii grow by |sx|, and arc angles are mirrored
 * when a scale is negative. */
static void copy_items(uint32_t dst, uint32_t prec, uint32_t psize, const PLACEMENT* pl) {
    double bx = store_d(prec + REC_BASEX), by = store_d(prec + REC_BASEY);
    uint32_t src = prec + BLKHDR, end = prec + psize;
    while (src < end) {
        int t = item_type(src);
        uint32_t n = (t == ITEM_ARC) ? ARC_SIZE : POINT_SIZE;
        if ((t != ITEM_MOVE && t != ITEM_DRAW && t != ITEM_ARC) || n > end - src) {
            std::memmove(store_at(dst), store_at(src), end - src); /* not in a resolved record */
            return;
        }
        double x = pl->ix + pl->sx * (store_d(src + ITEM_X) - bx);
        double y = pl->iy + pl->sy * (store_d(src + ITEM_Y) - by);
        if (t == ITEM_ARC) {
            double radius = store_d(src + ARC_RADIUS) * std::fabs(pl->sx);
            double start = store_d(src + ARC_START), stop = store_d(src + ARC_END);
            mirror_angles(pl->sx, pl->sy, &start, &stop);
            store_put_d(dst, ITEM_ARC);
            store_put_d(dst + ARC_RADIUS, radius);
            store_put_d(dst + ARC_START, start);
            store_put_d(dst + ARC_END, stop);
        } else {
            std::memmove(store_at(dst), store_at(src), sizeof(double)); /* the type as it is */
        }
        store_put_d(dst + ITEM_X, x);
        store_put_d(dst + ITEM_Y, y);
        src += n;
        dst += n;
    }
}

/* Widens the extents of the record whose header is at rec by the copy of size bytes at q. */
static void widen_copy(uint32_t rec, uint32_t q, uint32_t size) {
    for (uint32_t end = q + size; q < end;) {
        int t = item_type(q);
        if (t == ITEM_ARC) {
            widen_arc(rec, store_d(q + ITEM_X), store_d(q + ITEM_Y), store_d(q + ARC_RADIUS));
            q += ARC_SIZE;
        } else if (t == ITEM_MOVE || t == ITEM_DRAW) {
            widen_point(rec, store_d(q + ITEM_X), store_d(q + ITEM_Y));
            q += POINT_SIZE;
        } else {
            break;
        }
    }
}

/* Where the bytes of a sweep are while it runs: the store before the sweep lies at read_base,
 * the store after it is written at write_base, in the direction of the sweep, so that no write
 * reaches a byte that is still to be read. */
struct SWEEP {
    int forward;         /* pieces are written from the first to the last */
    uint32_t read_base;  /* offset of the old layout */
    uint32_t write_base; /* offset of the new layout */
};

/* Copies the bytes between piece g - 1 and piece g (the store's start for the first gap, its
 * end for the last) from the old layout to the new one. */
static void move_gap(const SWEEP* sw, size_t g) {
    uint32_t from = 0, to = 0;
    if (g > 0) {
        from = pieces[g - 1].src + pieces[g - 1].old_size;
        to = pieces[g - 1].dst + pieces[g - 1].new_size;
    }
    uint32_t until = g < pieces.size() ? pieces[g].src : store_size;
    std::memmove(store_at(sw->write_base + to), store_at(sw->read_base + from), until - from);
}

/* Writes the copy of piece i into the new layout. The referenced record lies in the new layout
 * when the sweep has written it already, else in the old one; the reference is read before
 * anything is written, since the copy may cover it. */
static void write_piece(const SWEEP* sw, size_t i) {
    const PIECE& piece = pieces[i];
    if (piece.p == REMOVED)
        return;
    uint32_t ref = sw->read_base + piece.src;
    PLACEMENT pl = placement_start();
    pl.ix = store_d(ref + ITEM_X);
    pl.iy = store_d(ref + ITEM_Y);
    pl.sx = store_d(ref + INSERT_SX);
    pl.sy = store_d(ref + INSERT_SY);
    uint32_t p = uint32_t(piece.p);
    int written = (p < piece.rec) == (sw->forward != 0);
    uint32_t prec = written ? sw->write_base + newoff[p] : sw->read_base + recoff[p];
    copy_items(sw->write_base + piece.dst, prec, newsize[p], &pl);
}

/* Once every piece of a record is written: widens its extents by its copies, in their order.
 * Its header is in the new layout when the sweep runs forward (written with the record's first
 * bytes), and still unmoved in the old one when it runs backward. */
static void widen_record(const SWEEP* sw, size_t first, size_t last) {
    uint32_t rec = pieces[first].rec;
    uint32_t header = sw->forward ? sw->write_base + newoff[rec] : sw->read_base + recoff[rec];
    for (size_t j = first; j <= last; ++j)
        widen_copy(header, sw->write_base + pieces[j].dst, pieces[j].new_size);
}

/* Carries out the planned sweep. 0, or ST_NOROOM when the store cannot grow (the store is then
 * as it was) or cannot be cut back to its size afterwards. */
static int32_t run_sweep(int forward) {
    uint32_t n = uint32_t(recsize.size());
    int64_t added = 0, removed = 0; /* bytes the replacements add, and remove */
    for (const PIECE& piece : pieces) {
        int64_t d = int64_t(piece.new_size) - int64_t(piece.old_size);
        (d > 0 ? added : removed) += d > 0 ? d : -d;
    }
    uint32_t before = store_size;
    if (int64_t(before) + added > int64_t(STOREMAX))
        return ST_NOROOM;
    uint32_t after = uint32_t(int64_t(before) + added - removed);
    uint32_t peak = uint32_t(int64_t(before) + added); /* the size while the sweep runs */
    if (peak > before && emm_resz(hObj, peak, &pObj) < 0)
        return ST_NOROOM;

    /* Where records and copies go. */
    newoff.assign(n, 0);
    uint32_t off = 0;
    for (uint32_t k = 0; k < n; ++k) {
        newoff[k] = off;
        off += newsize[k];
    }
    int64_t shift = 0; /* bytes the earlier pieces of the same record add */
    for (size_t i = 0; i < pieces.size(); ++i) {
        PIECE& piece = pieces[i];
        if (i == 0 || pieces[i - 1].rec != piece.rec)
            shift = 0;
        piece.dst = uint32_t(int64_t(newoff[piece.rec]) + (piece.src - recoff[piece.rec]) + shift);
        shift += int64_t(piece.new_size) - int64_t(piece.old_size);
    }

    /* Forward, the old layout is first moved up out of the way and the new one written from the
     * start; backward, the new one is written from the end into the top of the block and then
     * moved down. Either way the writes never overtake the reads. */
    SWEEP sw = {forward, forward ? uint32_t(added) : 0u, forward ? 0u : uint32_t(removed)};
    if (forward)
        std::memmove(store_at(sw.read_base), store_at(0), before);
    size_t count = pieces.size();
    if (!forward)
        move_gap(&sw, count);
    for (size_t step = 0; step < count; ++step) {
        size_t i = forward ? step : count - 1 - step;
        if (forward)
            move_gap(&sw, i);
        write_piece(&sw, i);
        /* At the record's last piece in the order of the sweep; backward, before the gap that
         * holds the record's header is moved. */
        size_t next = forward ? i + 1 : i - 1;
        if (step + 1 == count || pieces[next].rec != pieces[i].rec) {
            size_t first = i, last = i;
            while (first > 0 && pieces[first - 1].rec == pieces[i].rec)
                --first;
            while (last + 1 < count && pieces[last + 1].rec == pieces[i].rec)
                ++last;
            widen_record(&sw, first, last);
        }
        if (!forward)
            move_gap(&sw, i);
    }
    if (forward)
        move_gap(&sw, count);
    else
        std::memmove(store_at(0), store_at(sw.write_base), after);
    if (after < peak && emm_resz(hObj, after, &pObj) < 0)
        return ST_NOROOM;
    store_size = after;

    /* The records as the sweep left them: their sizes and resolved marks. */
    for (uint32_t k = 0; k < n; ++k) {
        recoff[k] = newoff[k];
        if (recsize[k] != newsize[k])
            rec_set_next(newoff[k], newsize[k]);
        if (done_now[k]) {
            pending[k] = 0;
            *store_at(newoff[k] + REC_INC) = 0;
        }
    }
    recsize = newsize;
    return 0;
}

int32_t resolve_blocks(uint32_t size) {
    uint32_t n = MAXOBJ;
    recoff.assign(n, 0);
    recsize.assign(n, 0);
    resume.assign(n, BLKHDR);
    pending.assign(n, 0);
    byname.clear();
    store_size = size;

    uint32_t rec = 0, left = 0;
    for (uint32_t k = 0; k < n; ++k) {
        recoff[k] = rec;
        recsize[k] = rec_next(rec);
        const char* name = reinterpret_cast<const char*>(store_at(rec));
        byname.emplace(std::string(name, bounded_len(name, NAMEKEEP)), k);
        pending[k] = *store_at(rec + REC_INC) != 0;
        left += pending[k];
        rec += recsize[k];
    }
    for (int forward = 1; left > 0; forward = !forward) {
        if (!plan_sweep(forward)) {
            dxf_alert(IDD_INVALID);
            return ST_INVALID;
        }
        int32_t stat = run_sweep(forward);
        if (stat < 0)
            return stat;
        left = 0;
        for (uint32_t k = 0; k < n; ++k)
            left += pending[k];
    }
    return 0;
}

void resolve_done(void) {
    std::vector<uint32_t>().swap(recoff);
    std::vector<uint32_t>().swap(recsize);
    std::vector<uint32_t>().swap(newsize);
    std::vector<uint32_t>().swap(newoff);
    std::vector<uint32_t>().swap(resume);
    std::vector<uint8_t>().swap(pending);
    std::vector<uint8_t>().swap(done_now);
    std::vector<PIECE>().swap(pieces);
    std::unordered_map<std::string, uint32_t>().swap(byname);
}
