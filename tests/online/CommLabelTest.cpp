// The communication label's decisions: texts and colours per state, the
// parts' geometry, repaint only on change, the hint by part.
#include <gtest/gtest.h>

#include <functional>

#include "online/CommLabel.h"

namespace velmora::online {
namespace {

TEST(CommLabelTexts, EveryCommunicationAndDataState) {
    using K = PartColour::Kind;
    const struct Row {
        TCommState state;
        const char* text;
        PartColour colour;
    } rows[] = {
        {TCommState::csNoComm, "NoComm", PartColour::rgb(128, 128, 128)},
        {TCommState::csCommErr, "Com Fail", PartColour::rgb(255, 0, 0)},
        {TCommState::csHALT, "Halt", PartColour::rgb(0, 255, 0)},
        {TCommState::csRUN, "Run", PartColour::rgb(0, 255, 0)},
        {TCommState::csERR, "Error", PartColour::rgb(0, 255, 255)},
        {TCommState::csRUNn, "Run", PartColour::system(K::ButtonFace)},
        {TCommState::csTrying, "Connecting ..", PartColour::system(K::InfoBackground)},
        {TCommState::csUserText, "Waiting for access", PartColour::system(K::LabelColour)},
        {TCommState::csUserTextF, "Waiting for access", PartColour::system(K::LabelColour)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CommLabel::CommText(r.state, false), r.text);
        EXPECT_EQ(CommLabel::CommBackground(r.state), r.colour) << r.text;
        const bool marked = r.state >= TCommState::csHALT;
        EXPECT_EQ(CommLabel::CommText(r.state, true), std::string(r.text) + (marked ? "F" : "")) << r.text;
    }
    using Shown = std::pair<std::string, PartColour>;
    const auto data = [](TDataState s) {
        return Shown(CommLabel::DataText(s), CommLabel::DataBackground(s));
    };
    EXPECT_EQ(data(TDataState::dsNoComm), Shown("", PartColour::system(K::ButtonFace)));
    EXPECT_EQ(data(TDataState::dsDataOK), Shown("Data OK", PartColour::rgb(0, 255, 0)));
    EXPECT_EQ(data(TDataState::dsDataERR), Shown("No Data", PartColour::rgb(192, 192, 192)));
    EXPECT_EQ(data(TDataState::dsDataFREEZE), Shown("Frozen", PartColour::system(K::InfoBackground)));
}

TEST(CommLabelSetters, RepaintOnlyOnChange) {
    CommLabel label;
    EXPECT_FALSE(label.SetCommState(TCommState::csNoComm)) << "the state it starts with";
    EXPECT_FALSE(label.SetDataState(TDataState::dsNoComm));
    const std::function<bool()> changes[] = {
        [&] { return label.SetCommState(TCommState::csRUN); },
        [&] { return label.SetDataState(TDataState::dsDataOK); }, [&] { return label.Set_IsFixed(true); },
        [&] { return label.Set_DataWidthPRC(30); }, [&] { return label.Set_CanSTDLabel(true); }};
    for (const auto& change : changes) {
        EXPECT_TRUE(change());
        EXPECT_FALSE(change()) << "the same value again";
    }
}

TEST(CommLabelGeometry, PartsOfA105By22LabelAndAnEmptyLeftPart) {
    CommLabel label;
    label.SetCommState(TCommState::csRUN);
    label.SetDataState(TDataState::dsDataOK);
    auto p = label.paint(105, 22, {20, 13}, {40, 13});
    EXPECT_EQ(p.dataWidth, 52);  // trunc(105 × 0.5)
    EXPECT_EQ(p.data.rect, (PartRect{1, 1, 52, 21}));
    EXPECT_EQ(p.comm.rect, (PartRect{53, 1, 104, 21}));
    EXPECT_EQ(p.comm.textX, 51 / 2 - 10 + 53);
    EXPECT_EQ(std::tuple(p.comm.text, p.data.text), std::tuple(std::string("Run"), std::string("Data OK")));
    label.Set_DataWidthPRC(0);
    p = label.paint(105, 22, {}, {});
    EXPECT_EQ(std::tuple(p.dataWidth, p.data.frame.empty(), p.comm.rect.left), std::tuple(0, true, 1));
    label.Set_DataWidthPRC(80);
    for (auto state : {TCommState::csTrying, TCommState::csUserTextF}) {
        label.SetCommState(state);
        p = label.paint(105, 22, {}, {});
        EXPECT_EQ(std::tuple(p.dataWidth, p.comm.rect), std::tuple(0, PartRect{1, 1, 104, 21}));
    }
    label.SetCommState(TCommState::csUserText);
    EXPECT_EQ(label.paint(105, 22, {}, {}).dataWidth, 84);
}

TEST(CommLabelMouse, HintOfThePartUnderThePointer) {
    CommLabel label;
    label.setCommHint("PLC runs");
    auto d = label.mouseMove(80, 105, "");
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(std::tuple(d->hintsOn, d->showNow, d->hint), std::tuple(true, true, "PLC runs"));
    d = label.mouseMove(80, 105, "PLC runs");
    EXPECT_FALSE(d->showNow) << "same hint: not shown again";
    d = label.mouseMove(10, 105, "PLC runs");
    EXPECT_FALSE(d->hintsOn) << "no hint on the data part: hints off";
    label.Set_CanSTDLabel(true);
    EXPECT_FALSE(label.mouseMove(80, 105, "").has_value());
}

}  // namespace
}  // namespace velmora::online
