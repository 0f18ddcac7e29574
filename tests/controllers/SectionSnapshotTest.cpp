// A run reads its section once; every read must give what the profile file's
// own read of the same key gives.
#include "controllers/SectionSnapshot.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/Support.h"

namespace velmora {
namespace {

TEST(Snapshot, ReadsAgreeWithTheProfileFileAndFollowTheRunsOwnWrites) {
    testing::TempDir dir;
    testing::WriteBytes(
        dir / "PLC1.rglx",
        "[Regulator A]\r\n"
        "Plain=12\r\nBlanks=  34  \r\nPlus=+5\r\nMinus=-7\r\nHex=0x10\r\nTrailing=12abc\r\nEmpty=\r\n"
        "Huge=99999999999\r\nQuoted=\"8\"\r\nSingle='9'\r\nText=Boiler.T\r\nDecimal=2,5\r\nZero=0\r\n"
        "twice=1\r\nTWICE=2\r\nmixedCase=3\r\n; comment=4\r\nY1CNVMode=1510\r\n"
        "[Regulator B]\r\nPlain=99\r\n"
        "[regulator a]\r\nPlain=55\r\nOnlySecond=1\r\n");
    IniFile file(dir / "PLC1.rglx");
    SectionSnapshot snap(file, "Regulator A");
    for (const char* key :
         {"Plain", "Blanks", "Plus", "Minus", "Hex", "Trailing", "Empty", "Huge", "Quoted", "Single", "Text",
          "Decimal", "Zero", "Twice", "MIXEDCASE", "comment", "; comment", "OnlySecond", "Missing"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(snap.readString(key, "<def>"), file.readString("Regulator A", key, "<def>"));
        EXPECT_EQ(snap.readInteger(key, -4242), file.readInteger("Regulator A", key, -4242));
        EXPECT_EQ(snap.readBool(key, true), file.readBool("Regulator A", key, true));
        EXPECT_EQ(snap.readBool(key, false), file.readBool("Regulator A", key, false));
    }
    snap.set("y1cnvmode", "0");
    EXPECT_EQ(snap.readInteger("Y1CNVMode", 7), 0);
    snap.set("Y1Unit", "Other");
    EXPECT_EQ(snap.readString("y1unit", ""), "Other");
}

}  // namespace
}  // namespace velmora
