// The module's resources as the module reads them: both strings, both alert templates parsed
// back from their bytes, the five icons; and the resource walker on damaged images.
#include "testutil.h"

#include "kernel/dlgtemplate.h"

namespace {

using testutil::Bytes;
using testutil::ModuleTest;
using testutil::u16;
using testutil::u32;

class ResourcesTest : public ModuleTest {};

// A resource's bytes, found and loaded through the same calls the module makes.
Bytes load(int id, LPCSTR type) {
    HRSRC hres = FindResourceA(_hModule, MAKEINTRESOURCE(id), type);
    if (hres == nullptr)
        return {};
    auto* p = static_cast<const uint8_t*>(LoadResource(_hModule, hres));
    if (p == nullptr)
        return {};
    return Bytes(p, p + SizeofResource(_hModule, hres));
}

TEST_F(ResourcesTest, StringsAreLoadedTruncatedAndTerminated) {
    char buf[PATHLEN];
    EXPECT_EQ(LoadStringA(_hModule, IDS_MODNAME, buf, PATHLEN), 10);
    EXPECT_STREQ(buf, "DXF Import");
    EXPECT_EQ(LoadStringA(_hModule, IDS_SELHEAD, buf, PATHLEN), 15);
    EXPECT_STREQ(buf, "Import DXF File");
    EXPECT_EQ(LoadStringA(_hModule, IDS_SELHEAD, buf, 7), 6);
    EXPECT_STREQ(buf, "Import");
    EXPECT_EQ(LoadStringA(_hModule, IDS_MODNAME, buf, 1), 0);
    EXPECT_STREQ(buf, "");
    // Missing strings: in the first block, in a block that does not exist, beyond 16 bits.
    for (UINT id : {2u, 15u, 16u, 31000u, 0x10002u}) {
        std::strcpy(buf, "old");
        EXPECT_EQ(LoadStringA(_hModule, id, buf, PATHLEN), 0) << id;
        EXPECT_STREQ(buf, "") << id;
    }
    EXPECT_EQ(LoadStringA(_hModule, 0x10000u, buf, PATHLEN), 10); // only the low 16 bits count
    EXPECT_EQ(LoadStringA(_hModule, IDS_MODNAME, nullptr, PATHLEN), 0);
    std::strcpy(buf, "old");
    EXPECT_EQ(LoadStringA(_hModule, IDS_MODNAME, buf, 0), 0);
    EXPECT_STREQ(buf, "old");
    EXPECT_EQ(lstrlenA("DXF"), 3);
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrcpyA(buf, "DXF"), buf);
    EXPECT_STREQ(buf, "DXF");
    EXPECT_EQ(lstrcpyA(nullptr, "DXF"), nullptr);
}

void expect_alert_template(int id, const char* caption, const char* text) {
    SCOPED_TRACE(id);
    Bytes b = load(id, RT_DIALOG);
    ASSERT_FALSE(b.empty());
    hostk::DialogTemplate t;
    std::string err;
    ASSERT_TRUE(hostk::parse_dialog_template(b.data(), b.size(), &t, &err)) << err;
    // A modal pop-up with caption and system menu, no font of its own.
    EXPECT_EQ(t.style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x80u);
    EXPECT_EQ(t.exstyle, 0u);
    EXPECT_EQ(t.caption, caption);
    EXPECT_EQ(t.menu, -1);
    EXPECT_TRUE(t.cls_name.empty());
    EXPECT_TRUE(t.font.empty());
    EXPECT_EQ(t.x, 18);
    EXPECT_EQ(t.y, 18);
    EXPECT_EQ(t.cx, 147);
    EXPECT_EQ(t.cy, 52);
    ASSERT_EQ(t.controls.size(), 3u);

    const hostk::DialogControl& icon = t.controls[0];
    EXPECT_EQ(icon.id, 31002);
    EXPECT_EQ(icon.ordinal, 31002); // shows icon 31002
    EXPECT_TRUE(icon.cls_atom == hostk::kAtomStatic || icon.cls_name == "STATIC");
    EXPECT_EQ(icon.style & 0x1Fu, 0x03u); // an icon control
    EXPECT_EQ(icon.style & 0x50000000u, 0x50000000u);
    EXPECT_EQ(icon.x, 4);
    EXPECT_EQ(icon.y, 4);
    EXPECT_EQ(icon.cx, 16);
    EXPECT_EQ(icon.cy, 16);

    const hostk::DialogControl& button = t.controls[1];
    EXPECT_EQ(button.id, 1);
    EXPECT_EQ(button.cls_atom, hostk::kAtomButton);
    EXPECT_EQ(button.text, "Cancel");
    EXPECT_EQ(button.style & 0xFu, 0x1u); // the default push button
    EXPECT_EQ(button.x, 53);
    EXPECT_EQ(button.y, 36);
    EXPECT_EQ(button.cx, 40);
    EXPECT_EQ(button.cy, 12);

    const hostk::DialogControl& message = t.controls[2];
    EXPECT_EQ(message.id, 100);
    EXPECT_EQ(message.cls_atom, hostk::kAtomStatic);
    EXPECT_EQ(message.text, text);
    EXPECT_EQ(message.x, 32);
    EXPECT_EQ(message.y, 4);
    EXPECT_EQ(message.cx, 112);
    EXPECT_EQ(message.cy, 24);
    EXPECT_LE(t.size, b.size());
}

TEST_F(ResourcesTest, AlertTemplatesHoldTheirFormAndMessage) {
    expect_alert_template(IDD_INVALID, "Invalid DXF File", "This is not a valid DXF File.");
    expect_alert_template(IDD_NOT3D, "Not Supported", "This version does not support 3D drawings.");
    EXPECT_EQ(FindResourceA(_hModule, MAKEINTRESOURCE(32002), RT_DIALOG), nullptr);
    EXPECT_EQ(FindResourceA(_hModule, MAKEINTRESOURCE(IDD_INVALID), RT_STRING), nullptr);
    EXPECT_EQ(FindResourceA(_hModule, "IDD_INVALID", RT_DIALOG), nullptr);
    EXPECT_EQ(FindResourceA(_hModule, nullptr, RT_DIALOG), nullptr);
}

TEST_F(ResourcesTest, FiveIconsOf32By32In16Colours) {
    for (int id = 31000; id <= 31004; id++) {
        SCOPED_TRACE(id);
        Bytes group = load(id, RT_GROUP_ICON);
        ASSERT_EQ(group.size(), 6u + 14u); // header and one image entry
        EXPECT_EQ(u16(group, 0), 0);       // reserved
        EXPECT_EQ(u16(group, 2), 1);       // icons
        ASSERT_EQ(u16(group, 4), 1);
        EXPECT_EQ(group[6], 32); // width
        EXPECT_EQ(group[7], 32); // height
        EXPECT_EQ(group[8], 16); // colours
        EXPECT_EQ(u16(group, 10), 1);
        EXPECT_EQ(u16(group, 12), 4); // bits a pixel
        uint32_t bytes = u32(group, 14);
        Bytes image = load(u16(group, 18), RT_ICON);
        ASSERT_EQ(image.size(), bytes);
        ASSERT_GE(image.size(), 40u + 64u + 512u + 128u);
        EXPECT_EQ(u32(image, 0), 40u); // bitmap header
        EXPECT_EQ(u32(image, 4), 32u); // width
        EXPECT_EQ(u32(image, 8), 64u); // colour bits and mask
        EXPECT_EQ(u16(image, 14), 4);
    }
    EXPECT_EQ(FindResourceA(_hModule, MAKEINTRESOURCE(31005), RT_GROUP_ICON), nullptr);
}

TEST_F(ResourcesTest, AlertsReachTheHostThroughTheFunnel) {
    dxf_alert(IDD_INVALID);
    dxf_alert(IDD_NOT3D);
    dxf_alert(32005); // no such template: nothing is shown
    ASSERT_EQ(hostk::alerts().size(), 2u);
    EXPECT_EQ(hostk::alerts()[0].caption, "Invalid DXF File");
    EXPECT_EQ(hostk::alerts()[0].text, "This is not a valid DXF File.");
    EXPECT_EQ(hostk::alerts()[0].button, "Cancel");
    EXPECT_EQ(hostk::alerts()[1].caption, "Not Supported");
    EXPECT_EQ(hostk::alerts()[1].text, "This version does not support 3D drawings.");
    EXPECT_EQ(hostk::call_count("fom_alert"), 2u);
}

TEST_F(ResourcesTest, LoadRefusesWhatIsNotAFoundResource) {
    HRSRC hres = FindResourceA(_hModule, MAKEINTRESOURCE(IDD_INVALID), RT_DIALOG);
    ASSERT_NE(hres, nullptr);
    EXPECT_EQ(LoadResource(_hModule, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(_hModule, nullptr), 0u);
    int other = 0;
    EXPECT_EQ(LoadResource(_hModule, &other), nullptr);
    HRSRC inside = static_cast<const char*>(hres) + 4;
    EXPECT_EQ(LoadResource(_hModule, inside), nullptr);
    EXPECT_EQ(SizeofResource(_hModule, inside), 0u);
}

// ---- the walker over hand-made images ----

void put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, uint16_t(v));
    put16(b, uint16_t(v >> 16));
}

// One entry: type and name as ordinals (or the name as text), then data padded to a DWORD.
Bytes entry(uint16_t type, uint16_t name, const Bytes& data, const char* textname = nullptr) {
    Bytes h;
    put16(h, 0xFFFF);
    put16(h, type);
    if (textname != nullptr) {
        for (const char* c = textname; *c; c++)
            put16(h, uint8_t(*c));
        put16(h, 0);
    } else {
        put16(h, 0xFFFF);
        put16(h, name);
    }
    while (h.size() % 4 != 0)
        h.push_back(0);
    put32(h, 0);      // data version
    put16(h, 0x1030); // memory flags
    put16(h, 0x0409); // language
    put32(h, 0);      // version
    put32(h, 0);      // characteristics
    Bytes e;
    put32(e, uint32_t(data.size()));
    put32(e, uint32_t(h.size() + 8));
    e.insert(e.end(), h.begin(), h.end());
    e.insert(e.end(), data.begin(), data.end());
    while (e.size() % 4 != 0)
        e.push_back(0);
    return e;
}

Bytes image(std::initializer_list<Bytes> entries) {
    Bytes img = entry(0, 0, {});
    for (const Bytes& e : entries)
        img.insert(img.end(), e.begin(), e.end());
    return img;
}

TEST(ResourceWalker, FindsEntriesAndStopsAtDamage) {
    const Bytes data = {1, 2, 3, 4, 5};
    Bytes img = image({entry(5, 7, {9}, "NAMED"), entry(5, 7, data), entry(6, 1, {0, 0})});
    std::size_t off = 0, size = 0;
    ASSERT_TRUE(res_find(img.data(), img.size(), 5, 7, &off, &size));
    EXPECT_EQ(size, 5u); // the named entry of the same type is passed over
    EXPECT_EQ(Bytes(img.begin() + long(off), img.begin() + long(off + size)), data);
    EXPECT_TRUE(res_find(img.data(), img.size(), 6, 1, &off, &size));
    EXPECT_FALSE(res_find(img.data(), img.size(), 5, 8, &off, &size));
    EXPECT_FALSE(res_find(img.data(), img.size(), 0, 0, &off, &size)); // the empty first entry
    EXPECT_FALSE(res_find(nullptr, 0, 5, 7, &off, &size));

    // Every cut of the image finds an entry only when its header and data fit before the cut.
    std::size_t last_off = 0, last_size = 0;
    ASSERT_TRUE(res_find(img.data(), img.size(), 6, 1, &last_off, &last_size));
    for (std::size_t cut = 0; cut < img.size(); cut++) {
        EXPECT_EQ(res_find(img.data(), cut, 6, 1, &off, &size), cut >= last_off + last_size) << cut;
        if (res_find(img.data(), cut, 5, 7, &off, &size)) {
            EXPECT_LE(off + size, cut);
        }
    }

    // Sizes that point past the end, or a header too small for its fields.
    Bytes bad = img;
    std::size_t second = entry(0, 0, {}).size() + entry(5, 7, {9}, "NAMED").size();
    bad[second] = 0xFF; // data size of the wanted entry: far too large
    bad[second + 3] = 0x7F;
    EXPECT_FALSE(res_find(bad.data(), bad.size(), 5, 7, &off, &size));
    EXPECT_FALSE(res_find(bad.data(), bad.size(), 6, 1, &off, &size)); // the walk ends there
    bad = img;
    bad[second + 4] = 12; // header size shorter than its type and name
    EXPECT_FALSE(res_find(bad.data(), bad.size(), 5, 7, &off, &size));
    bad = img;
    bad[second + 4] = 0xF0; // header size past the end
    bad[second + 5] = 0xFF;
    EXPECT_FALSE(res_find(bad.data(), bad.size(), 5, 7, &off, &size));
    // A name that never ends inside its header.
    Bytes open = entry(0, 0, {});
    put32(open, 0);
    put32(open, 16);
    for (int i = 0; i < 4; i++)
        put16(open, 0x41);
    EXPECT_FALSE(res_find(open.data(), open.size(), 0x41, 0x41, &off, &size));
}

TEST(ResourceWalker, StringBlocksAreReadWithinTheirBounds) {
    Bytes block;
    put16(block, 2);
    put16(block, 'A');
    put16(block, 0x00E9); // a Latin-1 letter
    put16(block, 3);
    put16(block, 'x');
    put16(block, 0x263A); // beyond Latin-1
    put16(block, 'y');
    char buf[16];
    EXPECT_EQ(res_string(block.data(), block.size(), 0, buf, 16), 2);
    EXPECT_EQ(std::string(buf), std::string("A\xE9"));
    EXPECT_EQ(res_string(block.data(), block.size(), 17, buf, 16), 3); // index 1 of the block
    EXPECT_STREQ(buf, "x?y");
    EXPECT_EQ(res_string(block.data(), block.size(), 2, buf, 16), 0); // past the block
    EXPECT_STREQ(buf, "");
    // A count that runs past the block's end.
    Bytes cut(block.begin(), block.end() - 1);
    EXPECT_EQ(res_string(cut.data(), cut.size(), 1, buf, 16), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(res_string(cut.data(), cut.size(), 0, buf, 16), 2);
    Bytes huge;
    put16(huge, 0xFFFF);
    EXPECT_EQ(res_string(huge.data(), huge.size(), 0, buf, 16), 0);
    EXPECT_EQ(res_string(huge.data(), huge.size(), 1, buf, 16), 0);
    EXPECT_EQ(res_string(block.data(), 1, 0, buf, 16), 0);
}

} // namespace
