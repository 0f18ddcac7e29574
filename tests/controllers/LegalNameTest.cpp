#include "controllers/LegalName.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(LegalName, LeadingDigitAndBlanksAreCorrected) {
    const auto n = LegalControllerName("1 heat loop");
    EXPECT_EQ(n.name, "_1_heat_loop");
    EXPECT_TRUE(n.corrected);
    EXPECT_EQ(LegalControllerName("9").name, "_9");
    EXPECT_EQ(LegalControllerName("a\tb").name, "a_b");
    // Trimming alone is no correction.
    EXPECT_EQ(LegalControllerName("  Boiler_1 \t").name, "Boiler_1");
    EXPECT_FALSE(LegalControllerName("  Boiler_1 \t").corrected);
    EXPECT_FALSE(LegalControllerName("PID_3").corrected);
    EXPECT_EQ(LegalControllerName("   ").name, "");
    EXPECT_FALSE(LegalControllerName("").corrected);
}

TEST(LegalName, EveryOtherCharacterBecomesOneUnderscore) {
    EXPECT_EQ(LegalControllerName("Kotel \xC4\x8D.2").name, "Kotel___2");  // "č" is one character
    EXPECT_EQ(LegalControllerName("a-b+c").name, "a_b_c");
    EXPECT_EQ(LegalControllerName("\xE2\x82\xAC"
                                  "x")
                  .name,
              "_x");                                               // a three-byte character
    EXPECT_EQ(LegalControllerName("\xF0\x9F\x98\x80").name, "_");  // a four-byte character
    EXPECT_EQ(LegalControllerName("a\xFF\xC4").name, "a__");       // malformed bytes one by one
    EXPECT_EQ(LegalControllerName("\xC4x").name, "_x");            // a cut-off sequence
    EXPECT_TRUE(LegalControllerName("Kotel_\xC4\x8D").corrected);
}

}  // namespace
}  // namespace velmora
