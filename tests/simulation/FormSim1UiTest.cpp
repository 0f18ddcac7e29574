// TFormSim1 offscreen: the plant-type buttons enabling their fields, the keys
// OK writes, a bad field refused with nothing written, and the "..." button.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/IniFile.h"
#include "simulation/FormSim1.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora {
namespace {

using testing::Child;

struct FormSim1Ui : testing::WithUiApp, ::testing::Test {
    FormSim1Ui() { testing::WriteBytes(path, "[Regulator R1]\nName=R1\nType=PID\nTypSoustavy=1\n"); }
    std::unique_ptr<TFormSim1> open(IniFile& file) {
        FormSim1Context c;
        c.file = &file, c.controllerName = "R1", c.messages = &messages, c.selectVariable = picker;
        return std::make_unique<TFormSim1>(std::move(c));
    }
    testing::TempDir dir;
    testing::ScriptedMessages messages;
    std::filesystem::path path = dir / "PLC1.rglx";
    std::function<std::optional<std::string>(const std::string&)> picker;
};

TEST_F(FormSim1Ui, TypeButtonsReachTheFieldsAndOkWritesTheEncoding) {
    for (int type = 0; type < 6; ++type) {
        IniFile file(path);
        auto form = open(file);
        Child<QCheckBox>(form.get(), "CheckBoxDelay1")->setChecked(true);
        Child<QRadioButton>(form.get(), ("RadioButton" + std::to_string(type + 1)).c_str())->click();
        EXPECT_EQ(Child<QLineEdit>(form.get(), "EditTau31")->isEnabled(), type == 4) << type;
        EXPECT_EQ(Child<QLineEdit>(form.get(), "EditDDelta1")->isEnabled(), type > 0) << type;
        Child<QRadioButton>(form.get(), ("RadioButtonAdd" + std::to_string(type % 3 + 1)).c_str())->click();
        Child<QLineEdit>(form.get(), "EditAddOutName1")->setText("Dist");
        Child<QPushButton>(form.get(), "Button1")->click();
        EXPECT_EQ(form->result(), QDialog::Accepted) << type;
        const IniFile written(path);
        EXPECT_EQ(written.readInteger("Regulator R1", "TypSoustavy", -1), type);
        EXPECT_EQ(written.readInteger("Regulator R1", "AddOut", -1), type % 3);
    }
    EXPECT_TRUE(messages.shown.empty());
}

// The last good curve stays in the preview.
TEST_F(FormSim1Ui, ABadFieldIsRefusedAndThePickerButtonUsesTheHostsSelectionOrSaysItHasNone) {
    const std::string before = testing::ReadBytes(path);
    IniFile file(path);
    auto form = open(file);
    Child<QCheckBox>(form.get(), "CheckBoxSim1")->setChecked(true);
    const std::size_t points = form->preview().size();
    Child<QLineEdit>(form.get(), "EditTau11")->setText("ten");
    EXPECT_EQ(form->preview().size(), points);
    Child<QPushButton>(form.get(), "Button1")->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_EQ(testing::ReadBytes(path), before);
    auto without = open(file);
    Child<QRadioButton>(without.get(), "RadioButtonAdd2")->click();
    EXPECT_FALSE(Child<QPushButton>(without.get(), "ButtonAddOut1")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(without.get(), "ButtonAddOut1")->toolTip().isEmpty());
    picker = [](const std::string& preset) { return std::optional<std::string>(preset + "_Dist"); };
    auto with = open(file);
    Child<QRadioButton>(with.get(), "RadioButtonAdd2")->click();
    Child<QLineEdit>(with.get(), "EditAddOutName1")->setText("Boiler");
    Child<QPushButton>(with.get(), "ButtonAddOut1")->click();
    EXPECT_EQ(Child<QLineEdit>(with.get(), "EditAddOutName1")->text(), "Boiler_Dist");
}

}  // namespace
}  // namespace velmora
