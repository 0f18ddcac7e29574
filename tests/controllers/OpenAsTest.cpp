#include "controllers/OpenAs.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "base/Texts.h"
#include "controllers/LegalName.h"

namespace velmora {
namespace {

TEST(OpenAs, ProposesTheImportFileNameNeedsANonBlankNameAndConfirmsACorrectedOneOnce) {
    EXPECT_EQ(ProposedImportName("/home/u/project/Velmora/Boiler.rgl"), "Boiler");
    EXPECT_EQ(ProposedImportName("C:\\Projects\\Hall B\\Velmora\\Pump 2.rgl"), "Pump 2");
    EXPECT_EQ(ProposedImportName("exports/loop.v2.rgl"), "loop.v2");
    EXPECT_EQ(ProposedImportName("NoExtension"), "NoExtension");
    EXPECT_TRUE(OpenAsOkEnabled("a"));
    EXPECT_FALSE(OpenAsOkEnabled(" \t "));

    // An illegal name is corrected and confirmed once; Yes accepts it.
    testing::ScriptedMessages messages;
    OpenAs dialog(messages);
    auto corrected = dialog.okClick("Pump 2-a");
    ASSERT_TRUE(corrected);
    EXPECT_EQ(*corrected, "Pump_2_a");
    EXPECT_TRUE(dialog.marked());

    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery(*corrected));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (testing::ShownMessage{Text(2038), Text(3451) + "Pump_2_a'?",
                                                        MessageIcon::Question, MessageButtons::YesNo}));

    // The corrected name now stands in the edit: a second OK is legal and closes.
    EXPECT_FALSE(dialog.okClick(*corrected));
    EXPECT_TRUE(dialog.closeQuery(*corrected));
    EXPECT_EQ(messages.shown.size(), 1u);
    // Yes accepts the correction at once.
    OpenAs other(messages);
    ASSERT_TRUE(other.okClick("9lives"));
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(other.closeQuery("_9lives"));
}

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
