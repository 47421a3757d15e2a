// svg.cpp: turns records into SVG paths on a page shaped like the object's best size.
//
// Receives the records of an object (object_view). Every record grid point goes through its
// box onto the object grid and from there onto the page; arcs become SVG elliptic arcs (or
// straight pieces when a radius is zero). Hands on the SVG document as text.
#include "dxfhost/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace svg {

namespace {

constexpr double kGrid = 16384.0; // units across the object grid and each record grid
constexpr double kAreaLong = 1000.0;
constexpr double kMargin = 12.0;
constexpr double kMaxRatio = 100.0;
constexpr double kPi = 3.14159265358979323846;

// Fixed two decimals without trailing zeros; never "-0".
std::string fmt(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') {
            s.pop_back();
        }
        if (!s.empty() && s.back() == '.') {
            s.pop_back();
        }
    }
    if (s == "-0") {
        s = "0";
    }
    return s;
}

// The point of an arc element at parameter angle deg (degrees), on the record grid.
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

class PathWriter {
  public:
    PathWriter(const Page& page, const VOH& box) : page_(page), box_(box) {}

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
        const int d = a1 - a0;
        const bool full = d != 0 && d % 360 == 0;
        const int sweep = full ? 360 : ((d % 360) + 360) % 360;

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

    std::string str() const { return out_.str(); }

  private:
    void move_to(Point p) {
        put('M', to_page(page_, box_, p.x, p.y));
        have_point_ = true;
    }
    void line_to(Point p) { put('L', to_page(page_, box_, p.x, p.y)); }
    void arc_to(double rx, double ry, int large, int sweep, Point p) {
        Point q = to_page(page_, box_, p.x, p.y);
        sep();
        out_ << 'A' << fmt(rx) << ' ' << fmt(ry) << " 0 " << large << ' ' << sweep << ' '
             << fmt(q.x) << ' ' << fmt(q.y);
    }
    void put(char cmd, Point q) {
        sep();
        out_ << cmd << fmt(q.x) << ' ' << fmt(q.y);
    }
    void sep() {
        if (!first_) {
            out_ << ' ';
        }
        first_ = false;
    }

    const Page& page_;
    const VOH& box_;
    std::ostringstream out_;
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

Point to_page(const Page& page, const VOH& box, double x, double y) {
    const double gx = box.xpos + x * box.width / kGrid;
    const double gy = box.ypos + y * box.height / kGrid;
    return Point{page.margin + gx * page.area_w / kGrid, page.margin + gy * page.area_h / kGrid};
}

std::string path_data(const Page& page, const view::Record& rec) {
    PathWriter w(page, rec.head);
    for (const view::Element& el : rec.elements) {
        const int16_t* a = el.words.data() + 1;
        switch (el.code()) {
        case view::EL_MOVE:
            w.move(a[0], a[1]);
            break;
        case view::EL_LINE:
            w.line(a[0], a[1]);
            break;
        case view::EL_ARC:
            w.arc(a);
            break;
        default:
            break;
        }
    }
    return w.str();
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

std::string render(const view::Object& obj, const std::string& title, const std::string& note) {
    const Page page = page_for(obj.head.bestw, obj.head.besth);
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << fmt(page.width) << "\" height=\""
        << fmt(page.height) << "\" viewBox=\"0 0 " << fmt(page.width) << ' ' << fmt(page.height)
        << "\">\n";
    if (!title.empty()) {
        out << "<title>" << xml_escape(title) << "</title>\n";
    }
    if (obj.damage) {
        // A comment may not hold two hyphens in a row.
        std::string what = obj.damage->what;
        for (std::size_t i = what.find("--"); i != std::string::npos; i = what.find("--")) {
            what.replace(i, 2, "- ");
        }
        out << "<!-- damaged at offset " << obj.damage->offset << ": " << xml_escape(what)
            << " -->\n";
    }
    out << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" stroke-linecap=\"round\" "
           "stroke-linejoin=\"round\">\n";
    for (const view::Record& rec : obj.records) {
        out << "<path d=\"" << path_data(page, rec) << "\"><title>record " << rec.index
            << "</title></path>\n";
    }
    out << "</g>\n";
    if (obj.damage) {
        // Said on the page too, in its top margin: the picture shows only what the frame held
        // when the import stopped.
        out << "<text x=\"" << fmt(page.margin) << "\" y=\"" << fmt(page.margin * 0.8)
            << "\" font-family=\"sans-serif\" font-size=\"" << fmt(page.margin * 0.75)
            << "\" fill=\"#c00000\">unfinished object: " << xml_escape(obj.damage->what)
            << "</text>\n";
    }
    if (!note.empty()) {
        out << "<text x=\"" << fmt(page.margin) << "\" y=\""
            << fmt(page.height - page.margin * 0.25) << "\" font-family=\"sans-serif\" font-size=\""
            << fmt(page.margin * 0.6) << "\" fill=\"#c00000\">" << xml_escape(note) << "</text>\n";
    }
    out << "</svg>\n";
    return out.str();
}

} // namespace svg
