// header_test.cpp: the HEADER section reader: variable names, their values, the optional z
// step, the section's own structure, and end of file inside it.
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>

#include "import/dxfheader.h"
#include "testutil.h"

using namespace testutil;

namespace {

class HeaderTest : public ModuleTest {
  protected:
    // Reads body as the groups after 0 SECTION / 2 HEADER, then reads the group that follows
    // the section (the file position left by the reader).
    void read(const std::string& body) {
        init_dh(&dh);
        run(body);
    }
    // The same on the record as it stands (to see what a variable leaves untouched).
    void run(const std::string& body) {
        int32_t fh = open_text(body);
        status = getDXFheader(fh, &dh);
        next_group = 0;
        next_text[0] = '\0';
        next_stat = get_grpnm(fh, &next_group, next_text);
        fim_fclose(fh);
    }
    int invalid_alerts() const {
        int n = 0;
        for (const hostk::Alert& a : hostk::alerts())
            n += a.caption == "Invalid DXF File";
        return n;
    }

    DXF dh;
    int32_t status = 0;
    uint32_t next_group = 0;
    char next_text[TEXTLEN];
    int32_t next_stat = 0;
};

const std::string kEnd = "0\nENDSEC\n0\nNEXT\n";

TEST_F(HeaderTest, EmptySectionLeavesTheClearedRecord) {
    DXF cleared;
    std::memset(&cleared, 0, sizeof cleared);
    cleared.shadedif = 70;
    read(kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::memcmp(&dh, &cleared, sizeof dh), 0);
    EXPECT_EQ(next_group, 0u);
    EXPECT_STREQ(next_text, "NEXT");
    EXPECT_EQ(invalid_alerts(), 0);
}

TEST_F(HeaderTest, VersionIsTheNumberAfterTwoCharacters) {
    read("9\n$ACADVER\n1\nAC1009\n" + kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.acadver, 1009);
    for (const char* shortval : {"AC", "A", ""}) {
        dh.acadver = 77;
        run(std::string("9\n$ACADVER\n1\n") + shortval + "\n" + kEnd);
        EXPECT_EQ(status, 0) << shortval;
        EXPECT_EQ(dh.acadver, 0) << shortval;
    }
    read("9\n$ACADVER\n1\nAC70000\n" + kEnd); // kept in 16 bits
    EXPECT_EQ(dh.acadver, 70000 & 0xFFFF);
}

TEST_F(HeaderTest, IntegersKeepTheirLowBits) {
    read("9\n$OSMODE\n70\n260\n9\n$LUNITS\n70\n2\n9\n$LUPREC\n70\n4\n9\n$CECOLOR\n62\n70000\n"
         "9\n$ANGDIR\n70\n-1\n9\n$PDMODE\n70\n  35xyz\n9\n$SURFU\n70\n99999999999\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.osmode, 4);
    EXPECT_EQ(dh.lunits, 2);
    EXPECT_EQ(dh.luprec, 4);
    EXPECT_EQ(dh.cecolor, 70000 & 0xFFFF);
    EXPECT_EQ(dh.angdir, 255);
    EXPECT_EQ(dh.pdmode, 35);
    EXPECT_EQ(dh.surfu, 0xFF); // saturated at 2147483647, low 8 bits
}

TEST_F(HeaderTest, LongerNamesWinOverTheirPrefixes) {
    read("9\n$DIMALTD\n70\n3\n9\n$DIMALTF\n40\n2.5\n9\n$DIMBLK1\n1\nONE\n9\n$DIMBLK2\n1\nTWO\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.dimaltd, 3);
    EXPECT_FLOAT_EQ(dh.dimaltf, 2.5f);
    EXPECT_STREQ(dh.dimblk1, "ONE");
    EXPECT_STREQ(dh.dimblk2, "TWO");
    EXPECT_EQ(dh.dimalt, 0);
    EXPECT_STREQ(dh.dimblk, "");

    read("9\n$DIMALT\n70\n1\n9\n$DIMBLK\n1\nARROW\n" + kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.dimalt, 1);
    EXPECT_EQ(dh.dimaltd, 0);
    EXPECT_FLOAT_EQ(dh.dimaltf, 0.0f);
    EXPECT_STREQ(dh.dimblk, "ARROW");
    EXPECT_STREQ(dh.dimblk1, "");
    EXPECT_STREQ(dh.dimblk2, "");

    // Only the table name's length is compared: $EXTMAXX is $EXTMAX.
    read("9\n$EXTMAXX\n10\n4\n20\n5\n" + kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(dh.extmax.x, 4.0f);
    EXPECT_FLOAT_EQ(dh.extmax.y, 5.0f);
}

TEST_F(HeaderTest, FieldsWhoseNamesDifferFromTheirVariables) {
    read("9\n$DIMSTYLE\n2\nSTANDARD\n9\n$TILEMODE\n70\n1\n9\n$SHADEDGE\n70\n3\n"
         "9\n$SHADEDIF\n70\n40\n9\n$DWGCODEPAGE\n3\n437\n9\n$DRAGMODE\n70\n2\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(dh.dinstyle, "STANDARD");
    EXPECT_EQ(dh.titlemode, 1);
    EXPECT_EQ(dh.shadeedge, 3);
    EXPECT_EQ(dh.shadedif, 40);
    EXPECT_EQ(dh.dwgcodepage, 437 & 0xFF);
    EXPECT_EQ(dh.dragmode, 2);
}

TEST_F(HeaderTest, RealsKeepTheirFieldsPrecision) {
    read("9\n$TDCREATE\n40\n2459000.123456789\n9\n$TDUPDATE\n40\n-1.5e-300\n"
         "9\n$TDINDWG\n40\n0.1\n9\n$LTSCALE\n40\n1e39\n9\n$TEXTSIZE\n40\n  2.5e1\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.tdcreate, 2459000.123456789);
    EXPECT_EQ(dh.tdupdate, -1.5e-300);
    EXPECT_EQ(dh.tdindwg, 0.1f);
    EXPECT_TRUE(std::isinf(dh.ltscale));
    EXPECT_EQ(dh.textsize, 25.0f);
}

TEST_F(HeaderTest, PointsAndTheOptionalZ) {
    read("9\n$PUCSORG\n10\n1\n20\n2\n30\n3\n" + kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(dh.pucsorg.x, 1.0f);
    EXPECT_FLOAT_EQ(dh.pucsorg.y, 2.0f);
    EXPECT_FLOAT_EQ(dh.pucsorg.z, 3.0f);

    // Without its z, $EXTMIN keeps the former z and the next variable is read after the step
    // back.
    read("9\n$EXTMIN\n10\n1\n20\n2\n30\n7\n9\n$EXTMIN\n10\n-1\n20\n-2\n9\n$EXTMAX\n10\n8\n20\n9\n"
         "30\n6\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(dh.extmin.x, -1.0f);
    EXPECT_FLOAT_EQ(dh.extmin.y, -2.0f);
    EXPECT_FLOAT_EQ(dh.extmin.z, 7.0f);
    EXPECT_FLOAT_EQ(dh.extmax.x, 8.0f);
    EXPECT_FLOAT_EQ(dh.extmax.y, 9.0f);
    EXPECT_FLOAT_EQ(dh.extmax.z, 6.0f);
    EXPECT_STREQ(next_text, "NEXT");

    // The codes of x and y are not looked at; only a 30 is a z.
    read("9\n$INSBASE\n11\n1\n21\n2\n31\n3\n" + kEnd);
    EXPECT_EQ(status, -1); // the 31 reaches the section loop
    EXPECT_FLOAT_EQ(dh.insbase.x, 1.0f);
    EXPECT_FLOAT_EQ(dh.insbase.y, 2.0f);
    EXPECT_FLOAT_EQ(dh.insbase.z, 0.0f);
}

TEST_F(HeaderTest, PointWithoutZRefusesAThirdGroup) {
    read("9\n$LIMMAX\n10\n12\n20\n9\n30\n0\n" + kEnd);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(invalid_alerts(), 1);
    EXPECT_FLOAT_EQ(dh.limmax.x, 12.0f);
    EXPECT_FLOAT_EQ(dh.limmax.y, 9.0f);
    EXPECT_FLOAT_EQ(dh.limmax.z, 0.0f);
}

TEST_F(HeaderTest, DroppedVariablesPassOverTheirGroups) {
    read("9\n$USERI1\n70\n1\n9\n$USERI2\n70\n2\n9\n$USERI3\n70\n3\n9\n$USERI4\n70\n4\n"
         "9\n$USERI5\n70\n5\n9\n$USERR1\n40\n1.5\n9\n$USERR2\n40\n2\n9\n$USERR3\n40\n3\n"
         "9\n$USERR4\n40\n4\n9\n$USERR5\n40\n5\n9\n$LUNITS\n70\n3\n"
         "9\n$VIEWDIR\n10\n0\n20\n0\n30\n1\n9\n$PINSBASE\n10\n0\n20\n0\n"
         "9\n$SNAPBASE\n10\n0\n20\n0\n9\n$FASTZOOM\n70\n1\n9\n$LUPREC\n70\n6\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.useri1 | dh.useri2 | dh.useri3 | dh.useri4 | dh.useri5, 0);
    EXPECT_EQ(dh.userr1, 0.0f);
    EXPECT_EQ(dh.userr5, 0.0f);
    EXPECT_EQ(dh.lunits, 3);
    EXPECT_EQ(dh.luprec, 6);
    EXPECT_STREQ(next_text, "NEXT");
}

TEST_F(HeaderTest, EveryListedNameIsKnown) {
    // each name with the number of its value groups after the colon, when not one
    static const char* const names =
        "$ACADVER $ANGBASE $ANGDIR $ATTDIA $ATTMODE $ATTREQ $AUNITS $AUPREC $AXISMODE "
        "$AXISUNIT:2 $BLIPMODE $CECOLOR $CELTYPE $CHAMFERA $CHAMFERB $CLAYER $COORDS $DIMALT "
        "$DIMALTD $DIMALTF $DIMAPOST $DIMASO $DIMASZ $DIMBLK $DIMBLK1 $DIMBLK2 $DIMCEN $DIMCLRD "
        "$DIMCLRE $DIMCLRT $DIMDLE $DIMDLI $DIMEXE $DIMEXO $DIMGAP $DIMLFAC $DIMLIM $DIMPOST "
        "$DIMRND $DIMSAH $DIMSCALE $DIMSE1 $DIMSE2 $DIMSHO $DIMSOXD $DIMSTYLE $DIMTAD $DIMTFAC "
        "$DIMTIH $DIMTIX $DIMTM $DIMTOFL $DIMTOH $DIMTOL $DIMTP $DIMTSZ $DIMTVP $DIMTXT $DIMZIN "
        "$DWGCODEPAGE $DRAGMODE $ELEVATION $EXTMAX:3 $EXTMIN:3 $FILLETRAD $FILLMODE $HANDLING "
        "$HANDSEED $INSBASE:3 $LIMCHECK $LIMMAX:2 $LIMMIN:2 $LTSCALE $LUNITS $LUPREC $MAXACTVP "
        "$MENU $MIRRTEXT $ORTHOMODE $OSMODE $PDMODE $PDSIZE $PELEVATION $PEXTMAX:3 $PEXTMIN:3 "
        "$PLIMCHECK $PLIMMAX:2 $PLIMMIN:2 $PLINEGEN $PLINEWID $PSLTSCALE $PUCSNAME $PUCSORG:3 "
        "$PUCSXDIR:3 $PUCSYDIR:3 $QTEXTMODE $REGENMODE $SHADEDGE $SHADEDIF $SKETCHINC $SKPOLY "
        "$SPLFRAME $SPLINESEGS $SPLINETYPE $SURFTAB1 $SURFTAB2 $SURFTYPE $SURFU $SURFV "
        "$TDCREATE $TDINDWG $TDUPDATE $TDUSRTIMER $TEXTSIZE $TEXTSTYLE $THICKNESS $TILEMODE "
        "$TRACEWID $UCSNAME $UCSORG:3 $UCSXDIR:3 $UCSYDIR:3 $UNITMODE $USRTIMER $VISRETAIN "
        "$WORLDVIEW $FASTZOOM $GRIDMODE $SNAPANG $SNAPISOPAIR $SNAPMODE $SNAPSTYLE $VIEWSIZE "
        "$USER $GRIDUNIT:2 $SNAPBASE:2 $SNAPUNIT:2 $VIEWCTR:2 $PINSBASE:3 $VIEWDIR:3";
    std::istringstream in(names);
    std::string body, word;
    int count = 0;
    while (in >> word) {
        std::size_t colon = word.find(':');
        int groups = colon == std::string::npos ? 1 : std::stoi(word.substr(colon + 1));
        body += "9\n" + word.substr(0, colon) + "\n";
        for (int g = 0; g < groups; g++)
            body += std::to_string(10 * (g + 1)) + "\n1\n";
        count++;
    }
    EXPECT_EQ(count, 140);
    read(body + kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(next_text, "NEXT");
    EXPECT_EQ(invalid_alerts(), 0);
}

TEST_F(HeaderTest, UnknownNamesEndTheHeaderWithoutAlert) {
    for (const char* name : {"$NEWVAR", "$acadver", "$", "", "ACADVER", "$DIMAL", "$1"}) {
        read(std::string("9\n") + name + "\n70\n5\n" + kEnd);
        EXPECT_EQ(status, -1) << name;
        EXPECT_EQ(invalid_alerts(), 0) << name;
        // nothing of the variable's value was read
        EXPECT_EQ(next_group, 70u) << name;
        EXPECT_STREQ(next_text, "5") << name;
    }
}

TEST_F(HeaderTest, CommentsAndTheSectionsOwnGroups) {
    read("999\nnote\n9\n$OSMODE\n70\n3\n999\nanother\n0\nSECTION\n2\nHEADER\n9\n$LUNITS\n70\n"
         "2\n" +
         kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.osmode, 3);
    EXPECT_EQ(dh.lunits, 2);

    // A comment between a name and its value is the value; the real value then stands alone.
    read("9\n$OSMODE\n999\n12\n70\n5\n" + kEnd);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(dh.osmode, 12);
    EXPECT_EQ(invalid_alerts(), 1);
}

TEST_F(HeaderTest, MalformedSectionsShowTheAlert) {
    struct Case {
        const char* body;
        const char* why;
    };
    static const Case cases[] = {
        {"0\nSECTION\n2\nTABLES\n0\nTABLE\n", "runs into the next section"},
        {"0\nENDTAB\n0\nENDSEC\n", "group 0 other than ENDSEC or SECTION"},
        {"10\n1.0\n0\nENDSEC\n", "a code other than 0, 2, 9, 999"},
        {"9\n$OSMODE\n70\n1\n", "file ends before ENDSEC"},
        {"9\n$EXTMIN\n10\n1\n", "file ends inside a variable"},
        {"9\n$OSMODE\n70\n1\n0\nENDS", "ENDSEC cut short"},
    };
    for (const Case& c : cases) {
        hostk::reset();
        read(c.body);
        EXPECT_EQ(status, -1) << c.why;
        EXPECT_EQ(invalid_alerts(), 1) << c.why;
    }
}

TEST_F(HeaderTest, EndOfFileAfterAnAcceptedGroupFailsWithoutAlert) {
    // a comment or the section's own groups cut off by the end of the file
    for (const char* body : {"999\nlast", "2\nHEADER", "0\nSECTION"}) {
        hostk::reset();
        read(body);
        EXPECT_EQ(status, -1) << body;
        EXPECT_EQ(invalid_alerts(), 0) << body;
    }
    // the end marker without its line feed still ends the section
    read("9\n$OSMODE\n70\n9\n0\nENDSEC");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dh.osmode, 9);
}

TEST_F(HeaderTest, TextValues) {
    std::string long60(60, 'L');
    std::string long100(100, 'S');
    read("9\n$DIMBLK\n1\nX\n9\n$DIMBLK\n1\n\n9\n$CLAYER\n8\n" + long60 + "\n9\n$TEXTSTYLE\n7\n" +
         long100 + "\n9\n$MENU\n1\n  acad menu  \n" + kEnd);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(dh.dimblk, "");
    EXPECT_EQ(std::string(dh.clayer), long60.substr(0, 39));
    EXPECT_EQ(std::string(dh.textstyle), long100.substr(0, 79));
    EXPECT_STREQ(dh.menu, "  acad menu  ");
    // the field after a full text field is untouched
    EXPECT_EQ(dh.coords, 0);
    EXPECT_EQ(dh.thickness, 0.0f);
}

} // namespace
