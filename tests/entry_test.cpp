// The module's door: dispatch by function number, the host version check, the identifier, the
// display name; and the plug-in as the host loads it.
#include "testutil.h"

#include <dlfcn.h>

extern "C" int32_t module_entry(int fnc, ...);

namespace {

using testutil::ModuleTest;

XM_EDIS host_descriptor(uint16_t cvnum, uint16_t dvnum) {
    XM_EDIS ed{};
    ed.cvnum = cvnum;
    ed.dvnum = dvnum;
    ed.mod_id = 0x11111111;
    ed.mod_xid = 0x22222222;
    ed.hmod = 0x00400000;
    return ed;
}

class EntryTest : public ModuleTest {};

TEST_F(EntryTest, VersionsAreCheckedAtAndAcrossBothBounds) {
    struct Case {
        uint16_t cvnum, dvnum;
        int32_t result;
    };
    const Case cases[] = {
        {15, 0x0300, -2}, {16, 0x0300, 0},      {255, 0x0300, 0},  {256, 0x0300, -2},
        {0, 0x0350, -2},  {0xFFFF, 0x0350, -2}, {100, 0x02FF, -2}, {100, 0x0300, 0},
        {100, 0x03FF, 0}, {100, 0x0400, -2},    {100, 0, -2},      {100, 0xFFFF, -2},
        {255, 0x03FF, 0}, {16, 0x0400, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cvnum " << c.cvnum << " dvnum " << c.dvnum);
        XM_EDIS ed = host_descriptor(c.cvnum, c.dvnum);
        EXPECT_EQ(module_entry(0, &ed), c.result);
        if (c.result == 0) {
            EXPECT_EQ(ed.mod_id, 0x00445846);
            EXPECT_EQ(ed.mod_xid, 0);
        } else {
            EXPECT_EQ(ed.mod_id, 0x11111111); // left unwritten
            EXPECT_EQ(ed.mod_xid, 0x22222222);
        }
    }
}

TEST_F(EntryTest, IdentifierReadsFXDInMemory) {
    XM_EDIS ed = host_descriptor(16, 0x0300);
    ASSERT_EQ(module_entry(0, &ed), 0);
    unsigned char bytes[4];
    std::memcpy(bytes, &ed.mod_id, 4);
    EXPECT_EQ(bytes[0], 'F');
    EXPECT_EQ(bytes[1], 'X');
    EXPECT_EQ(bytes[2], 'D');
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(ed.mod_id, 4479046);
}

TEST_F(EntryTest, HandleIsKeptEvenWhenTheHostIsRefused) {
    XM_EDIS ed = host_descriptor(15, 0x0300);
    ed.hmod = 0x12345678;
    EXPECT_EQ(module_entry(0, &ed), -2);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(_hModule), uintptr_t(0x12345678));
    ed = host_descriptor(16, 0x0400);
    ed.hmod = -2; // the host's 32-bit value, taken as it is
    EXPECT_EQ(module_entry(0, &ed), -2);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(_hModule), uintptr_t(0xFFFFFFFEu));
    // A host that passes no descriptor is refused and changes nothing.
    EXPECT_EQ(module_entry(0, static_cast<XM_EDIS*>(nullptr)), -2);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(_hModule), uintptr_t(0xFFFFFFFEu));
}

TEST_F(EntryTest, NameIsCopiedWithItsZeroWhateverTheSource) {
    XM_EDIS ed = host_descriptor(16, 0x0300);
    ASSERT_EQ(module_entry(0, &ed), 0);
    for (int source : {0, 1, -1, 7, 0x12345}) {
        SCOPED_TRACE(source);
        char name[32];
        std::memset(name, 0x5A, sizeof name);
        EXPECT_EQ(module_entry(7, source, &ed, name), 0);
        EXPECT_EQ(std::memcmp(name, "DXF Import", 11), 0); // text and its terminating zero
        EXPECT_EQ(name[11], 0x5A);                         // nothing written past it
    }
    // The host's buffer only has to take the name itself.
    char exact[11];
    EXPECT_EQ(module_entry(7, 0, &ed, exact), 0);
    EXPECT_STREQ(exact, "DXF Import");
}

TEST_F(EntryTest, OtherFunctionsDispatchOrRefuse) {
    XM_EDIS ed = host_descriptor(16, 0x0300);
    XM_EDIS before = ed;
    EVD evd{};
    XMDPB xmd{};
    int data = 0;
    EXPECT_EQ(module_entry(2, &ed), 0);
    EXPECT_EQ(module_entry(3), 0); // reads no argument
    EXPECT_EQ(module_entry(4, &ed, &evd), 0);
    EXPECT_EQ(module_entry(5, 9, &ed, &data), 0);
    EXPECT_EQ(module_entry(6, 9, &ed, &xmd), 0);
    EXPECT_EQ(module_entry(8), -1);
    EXPECT_EQ(module_entry(-1), -1);
    EXPECT_EQ(module_entry(-32768), -1);
    EXPECT_EQ(module_entry(32767), -1);
    // The number is a 16-bit one: only its low 16 bits choose.
    EXPECT_EQ(module_entry(0x10003), 0);
    EXPECT_EQ(module_entry(0x18000), -1);
    EXPECT_EQ(std::memcmp(&ed, &before, sizeof ed), 0);
    EXPECT_TRUE(hostk::alerts().empty());
    EXPECT_TRUE(hostk::shown_statuses().empty());
}

TEST_F(EntryTest, CommandResultIsPassedBack) {
    XM_EDIS ed = host_descriptor(16, 0x0300);
    ASSERT_EQ(module_entry(0, &ed), 0);
    hostk::create_frame();
    EXPECT_EQ(module_entry(1, 2, &ed), 1); // a source the command does not know: nothing done
    hostk::set_selection_cancel();
    EXPECT_EQ(module_entry(1, 0, &ed), 1);       // the user cancelled
    EXPECT_EQ(module_entry(1, 0x10001, &ed), 0); // source too is a 16-bit number: 1
    EXPECT_EQ(hostk::mouse_form(), 0);
    EXPECT_EQ(hostk::live_objects(), 0u);
}

// The plug-in as the host sees it: one library, its door found by name, resources inside.
TEST_F(EntryTest, PluginIsLoadedAndAnswersThroughItsDoor) {
    void* lib = dlopen(MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    using Entry = int32_t (*)(int, ...);
    auto entry = reinterpret_cast<Entry>(dlsym(lib, "module_entry"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(dlsym(lib, "mod_init"), nullptr); // nothing else is visible
    EXPECT_EQ(dlsym(lib, "dxf_res_image"), nullptr);
    XM_EDIS ed = host_descriptor(200, 0x0310);
    EXPECT_EQ(entry(0, &ed), 0);
    EXPECT_EQ(ed.mod_id, 0x00445846);
    char name[260] = {};
    EXPECT_EQ(entry(7, 0, &ed, name), 0);
    EXPECT_STREQ(name, "DXF Import");
    EXPECT_EQ(entry(3), 0);
    EXPECT_EQ(entry(9), -1);
    EXPECT_EQ(entry(2, &ed), 0);
    dlclose(lib);
}

} // namespace
