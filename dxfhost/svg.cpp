// svg.cpp: turns records into SVG paths on a page shaped like the object's best size.
//
// Receives the records of an object (object_view). Every record grid point goes through its
// box onto the object grid and from there onto the page; arcs become SVG elliptic arcs (or
// straight pieces when a radius is zero). Hands on the SVG document as text.
#include "dxfhost/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "dxfhost/object_walk.h"

namespace svg {

namespace {

constexpr double kGrid = 16384.0; // units across the object grid and each record grid
constexpr double kAreaLong = 1000.0;
constexpr double kMargin = 12.0;
constexpr double kMaxRatio = 100.0;
constexpr double kPi = 3.14159265358979323846;

// Fixed two decimals without trailing zeros; never "-0". Appended to out.
void put_num(std::string& out, double v) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.2f", v);
    if (n < 0) {
        n = 0;
    }
    n = std::min<int>(n, int(sizeof buf) - 1);
    if (std::memchr(buf, '.', std::size_t(n)) != nullptr) {
        while (n > 0 && buf[n - 1] == '0') {
            --n;
        }
        if (n > 0 && buf[n - 1] == '.') {
            --n;
        }
    }
    if (n == 2 && buf[0] == '-' && buf[1] == '0') {
        out += '0';
        return;
    }
    out.append(buf, std::size_t(n));
}

std::string fmt(double v) {
    std::string s;
    put_num(s, v);
    return s;
}

class PathWriter {
  public:
    PathWriter(const Page& page, const VOH& box, std::string& out)
        : page_(page), box_(box), out_(out) {}

    // One element: its code and its arguments.
    void add(int16_t code, const int16_t* a) {
        switch (code) {
        case view::EL_MOVE:
            move(a[0], a[1]);
            break;
        case view::EL_LINE:
            line(a[0], a[1]);
            break;
        case view::EL_ARC:
            arc(a);
            break;
        default:
            break;
        }
    }

    void move(double x, double y) {
        put('M', to_page(page_, box_, x, y));
        have_point_ = true;
    }
    void line(double x, double y) {
        put(have_point_ ? 'L' : 'M', to_page(page_, box_, x, y));
        have_point_ = true;
    }

    // One arc element: cx, cy, rx, ry, a0, a1 on the record grid.
    void arc(const int16_t* w) {
        const double cx = w[0], cy = w[1], rx = w[2], ry = w[3];
        const int a0 = w[4], a1 = w[5];
        const int sweep = arc_sweep(a0, a1);
        const bool full = sweep == 360;

        move_to(arc_point(cx, cy, rx, ry, a0));
        if (sweep == 0) {
            return;
        }
        // Radii on the page; the mapping scales each axis by a non-negative factor.
        const double prx = std::fabs(rx) * box_.width / kGrid * page_.area_w / kGrid;
        const double pry = std::fabs(ry) * box_.height / kGrid * page_.area_h / kGrid;
        if (prx == 0 || pry == 0) {
            // A flat ellipse is a segment run back and forth; its turning points lie at the
            // multiples of 90 degrees.
            const int first = a0 - ((a0 % 90) + 90) % 90 + 90; // next multiple of 90 past a0
            for (int a = first; a < a0 + sweep; a += 90) {
                line_to(arc_point(cx, cy, rx, ry, a));
            }
            line_to(arc_point(cx, cy, rx, ry, a0 + sweep));
            return;
        }
        // Counter-clockwise on the page is SVG's negative sweep; one mirrored radius turns it.
        const int sweep_flag = (rx < 0) != (ry < 0) ? 1 : 0;
        if (full) {
            arc_to(prx, pry, 0, sweep_flag, arc_point(cx, cy, rx, ry, a0 + 180));
            arc_to(prx, pry, 0, sweep_flag, arc_point(cx, cy, rx, ry, a0 + 360));
        } else {
            arc_to(prx, pry, sweep > 180 ? 1 : 0, sweep_flag,
                   arc_point(cx, cy, rx, ry, a0 + sweep));
        }
    }

  private:
    void move_to(Point p) {
        put('M', to_page(page_, box_, p.x, p.y));
        have_point_ = true;
    }
    void line_to(Point p) { put('L', to_page(page_, box_, p.x, p.y)); }
    void arc_to(double rx, double ry, int large, int sweep, Point p) {
        Point q = to_page(page_, box_, p.x, p.y);
        sep();
        out_ += 'A';
        put_num(out_, rx);
        out_ += ' ';
        put_num(out_, ry);
        out_ += " 0 ";
        out_ += char('0' + large);
        out_ += ' ';
        out_ += char('0' + sweep);
        out_ += ' ';
        put_num(out_, q.x);
        out_ += ' ';
        put_num(out_, q.y);
    }
    void put(char cmd, Point q) {
        sep();
        out_ += cmd;
        put_num(out_, q.x);
        out_ += ' ';
        put_num(out_, q.y);
    }
    void sep() {
        if (!first_) {
            out_ += ' ';
        }
        first_ = false;
    }

    const Page& page_;
    const VOH& box_;
    std::string& out_;
    bool have_point_ = false; // a subpath is open
    bool first_ = true;       // nothing written yet
};

} // namespace

Page page_for(uint32_t bestw, uint32_t besth) {
    double ratio = 1.0; // width over height
    if (bestw != 0 && besth != 0) {
        ratio = double(bestw) / double(besth);
    }
    ratio = std::clamp(ratio, 1.0 / kMaxRatio, kMaxRatio);
    Page p;
    if (ratio >= 1.0) {
        p.area_w = kAreaLong;
        p.area_h = kAreaLong / ratio;
    } else {
        p.area_h = kAreaLong;
        p.area_w = kAreaLong * ratio;
    }
    p.margin = kMargin;
    p.width = p.area_w + 2 * kMargin;
    p.height = p.area_h + 2 * kMargin;
    return p;
}

Point arc_point(double cx, double cy, double rx, double ry, double deg) {
    // Multiples of 90 degrees land exactly, so quarter arcs meet their lines without seams.
    double c = 0;
    double s = 0;
    double q = std::fmod(deg, 360.0);
    if (q < 0) {
        q += 360.0;
    }
    if (q == 0) {
        c = 1;
    } else if (q == 90) {
        s = 1;
    } else if (q == 180) {
        c = -1;
    } else if (q == 270) {
        s = -1;
    } else {
        c = std::cos(deg * kPi / 180.0);
        s = std::sin(deg * kPi / 180.0);
    }
    return Point{cx + rx * c, cy - ry * s};
}

Point to_page(const Page& page, const VOH& box, double x, double y) {
    const double gx = box.xpos + x * box.width / kGrid;
    const double gy = box.ypos + y * box.height / kGrid;
    return Point{page.margin + gx * page.area_w / kGrid, page.margin + gy * page.area_h / kGrid};
}

std::string path_data(const Page& page, const view::Record& rec) {
    std::string out;
    PathWriter w(page, rec.head, out);
    for (const view::Element& el : rec.elements) {
        w.add(el.code(), el.words.data() + 1);
    }
    return out;
}

std::string xml_escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // XML 1.0 allows no control characters but tab, line feed and carriage return.
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                out += '?';
            } else {
                out += char(c);
            }
        }
    }
    return out;
}

namespace {

// The picture around the records: the head before them, the tail after them.
void picture_head(std::string& out, const Page& page, const std::string& title,
                  const std::optional<view::Damage>& damage) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "width=\"";
    out += fmt(page.width) + "\" height=\"" + fmt(page.height) + "\" viewBox=\"0 0 " +
           fmt(page.width) + ' ' + fmt(page.height) + "\">\n";
    if (!title.empty()) {
        out += "<title>" + xml_escape(title) + "</title>\n";
    }
    if (damage) {
        // A comment may not hold two hyphens in a row.
        std::string what = damage->what;
        for (std::size_t i = what.find("--"); i != std::string::npos; i = what.find("--")) {
            what.replace(i, 2, "- ");
        }
        out += "<!-- damaged at offset " + std::to_string(damage->offset) + ": " +
               xml_escape(what) + " -->\n";
    }
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
           "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" stroke-linecap=\"round\" "
           "stroke-linejoin=\"round\">\n";
}

void record_open(std::string& out) {
    out += "<path d=\"";
}

void record_close(std::string& out, std::size_t index) {
    out += "\"><title>record " + std::to_string(index) + "</title></path>\n";
}

void picture_tail(std::string& out, const Page& page, const std::string& note,
                  const std::optional<view::Damage>& damage) {
    out += "</g>\n";
    if (damage) {
        // Said on the page too, in its top margin: the picture shows only what the frame held
        // when the import stopped.
        out += "<text x=\"" + fmt(page.margin) + "\" y=\"" + fmt(page.margin * 0.8) +
               "\" font-family=\"sans-serif\" font-size=\"" + fmt(page.margin * 0.75) +
               "\" fill=\"#c00000\">unfinished object: " + xml_escape(damage->what) + "</text>\n";
    }
    if (!note.empty()) {
        out += "<text x=\"" + fmt(page.margin) + "\" y=\"" + fmt(page.height - page.margin * 0.25) +
               "\" font-family=\"sans-serif\" font-size=\"" + fmt(page.margin * 0.6) +
               "\" fill=\"#c00000\">" + xml_escape(note) + "</text>\n";
    }
    out += "</svg>\n";
}

} // namespace

std::string render(const view::Object& obj, const std::string& title, const std::string& note) {
    const Page page = page_for(obj.head.bestw, obj.head.besth);
    std::string out;
    picture_head(out, page, title, obj.damage);
    for (const view::Record& rec : obj.records) {
        record_open(out);
        PathWriter w(page, rec.head, out);
        for (const view::Element& el : rec.elements) {
            w.add(el.code(), el.words.data() + 1);
        }
        record_close(out, rec.index);
    }
    picture_tail(out, page, note, obj.damage);
    return out;
}

std::string render(const uint8_t* object, std::size_t size, const std::string& title,
                   const std::string& note) {
    view::Walk walk = view::start_walk(object, size);
    const Page page = page_for(walk.shape.head.bestw, walk.shape.head.besth);
    // The damage is told before the records, so the walk checks the layout first.
    const view::Shape shape = view::shape_of(object, size);
    std::string out;
    picture_head(out, page, title, shape.damage);
    view::RecordRef rec;
    view::ElementRef el;
    while (view::next_record(walk, &rec)) {
        record_open(out);
        PathWriter w(page, rec.head, out);
        view::ElementCursor c = view::elements_of(rec);
        while (view::next_element(c, &el)) {
            w.add(el.code, el.args());
        }
        record_close(out, rec.index);
    }
    picture_tail(out, page, note, shape.damage);
    return out;
}

} // namespace svg
