// frames.cpp: frames and document objects (xmd_fframe, fre_change, dom_mark, dsm_ocreate,
// dsm_odelete).
//
// A frame is a pair of memory blocks: its header block (FRH, sub-entries, name) and its data
// block (the vector object). The host program or a test creates frames and chooses the target
// frame; the module asks for the target, may be refused the change, and marks the frame when it
// has filled it. Document objects are only counted: the stand-in has no document to put them in.
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include "internal.h"
#include "kernelctl.h"

namespace hostk {
namespace detail {
namespace {

constexpr int32_t kFrameSelector = 0xF04; // xmd_fframe: the target frame
constexpr int32_t kImportObject = 0x11;   // the one document object type the stand-in makes

struct FrameRecord {
    Frame frame;   // its blocks
    int marks = 0; // dom_mark calls on it
};

std::vector<FrameRecord> frames;              // every frame known to the host
std::optional<Frame> target;                  // the frame xmd_fframe describes
int32_t change_result = 0;                    // what fre_change answers
std::unordered_map<int32_t, int32_t> objects; // live document objects: handle -> type

FrameRecord* find_frame(int32_t hfrh) {
    for (FrameRecord& r : frames) {
        if (r.frame.hfrh == hfrh && block_exists(hfrh)) {
            return &r;
        }
    }
    return nullptr;
}

void remember(const Frame& frame) {
    auto known = [&](const FrameRecord& r) { return r.frame.hfrh == frame.hfrh; };
    auto it = std::find_if(frames.begin(), frames.end(), known);
    if (it == frames.end()) {
        frames.push_back({frame, 0});
    } else {
        it->frame = frame;
    }
}

} // namespace

void reset_frames() {
    frames.clear();
    target.reset();
    change_result = 0;
    objects.clear();
}

} // namespace detail
} // namespace hostk

using namespace hostk::detail;

int32_t xmd_fframe(int32_t sel, int32_t flags, FRD* pfrd) {
    (void)flags;
    if (int32_t st = enter(Service::xmd_fframe)) {
        return st;
    }
    if (sel != kFrameSelector || pfrd == nullptr) {
        return KST_ARGUMENT;
    }
    if (!target) {
        return 1;
    }
    *pfrd = FRD{};
    pfrd->hfrh = target->hfrh;
    pfrd->hdat = target->hdat;
    return 0;
}

int32_t fre_change(FRD* pfrd) {
    if (int32_t st = enter(Service::fre_change)) {
        return st;
    }
    if (pfrd == nullptr) {
        return KST_ARGUMENT;
    }
    if (find_frame(pfrd->hfrh) == nullptr) {
        return KST_NOFRAME;
    }
    return change_result;
}

int32_t dsm_ocreate(int32_t type, int32_t flags, int32_t* ph) {
    (void)flags;
    if (int32_t st = enter(Service::dsm_ocreate)) {
        return st;
    }
    if (ph == nullptr) {
        return KST_ARGUMENT;
    }
    if (type != kImportObject) {
        return KST_OBJTYPE;
    }
    int32_t h = next_handle();
    objects[h] = type;
    *ph = h;
    return 0;
}

int32_t dsm_odelete(int32_t h) {
    if (int32_t st = enter(Service::dsm_odelete)) {
        return st;
    }
    if (objects.erase(h) == 0) {
        return KST_NOOBJECT;
    }
    return 0;
}

int32_t dom_mark(int32_t hfrh) {
    if (int32_t st = enter(Service::dom_mark)) {
        return st;
    }
    FrameRecord* r = find_frame(hfrh);
    if (r == nullptr) {
        return KST_NOFRAME;
    }
    ++r->marks;
    return 0;
}

namespace hostk {

Frame create_frame(uint32_t data_size) {
    Frame frame;
    frame.hfrh = detail::new_block(nullptr, sizeof(FRH));
    if (frame.hfrh < 0) {
        return Frame{};
    }
    frame.hdat = detail::new_block(nullptr, data_size);
    if (frame.hdat < 0) {
        detail::drop_block(frame.hfrh);
        return Frame{};
    }
    detail::remember(frame);
    detail::target = frame;
    return frame;
}

void set_target_frame(const Frame& frame) {
    detail::remember(frame);
    detail::target = frame;
}

void clear_target_frame() {
    detail::target.reset();
}
void set_fre_change_result(int32_t result) {
    detail::change_result = result;
}

int marks(int32_t hfrh) {
    for (const detail::FrameRecord& r : detail::frames) {
        if (r.frame.hfrh == hfrh) {
            return r.marks;
        }
    }
    return 0;
}

std::size_t live_objects() {
    return detail::objects.size();
}

} // namespace hostk
