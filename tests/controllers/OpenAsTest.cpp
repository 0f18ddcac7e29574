#include "controllers/OpenAs.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "base/Texts.h"

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

}  // namespace
}  // namespace velmora
