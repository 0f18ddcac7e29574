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

struct FormSim1Ui : velmora::testing::WithUiApp, ::testing::Test {
    velmora::testing::TempDir dir;
    velmora::testing::ScriptedMessages messages;
    std::filesystem::path path = dir / "PLC1.rglx";
    FormSim1Ui() { velmora::testing::WriteBytes(path, "[Regulator R1]\nName=R1\nType=PID\nTypSoustavy=1\n"); }
    std::unique_ptr<TFormSim1> open(IniFile& file) {
        FormSim1Context c;
        c.file = &file;
        c.controllerName = "R1";
        c.messages = &messages;
        c.selectVariable = picker;
        return std::make_unique<TFormSim1>(std::move(c));
    }
    template <class T>
    static T* Child(TFormSim1& f, const QString& name) {
        T* w = f.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    std::function<std::optional<std::string>(const std::string&)> picker;
};

TEST_F(FormSim1Ui, TypeButtonsReachTheFieldsAndOkWritesTheEncoding) {
    for (int type = 0; type < 6; ++type) {
        IniFile file(path);
        auto form = open(file);
        Child<QCheckBox>(*form, "CheckBoxDelay1")->setChecked(true);
        Child<QRadioButton>(*form, QString("RadioButton%1").arg(type + 1))->click();
        EXPECT_EQ(Child<QLineEdit>(*form, "EditTau31")->isEnabled(), type == 4) << type;
        EXPECT_EQ(Child<QLineEdit>(*form, "EditDDelta1")->isEnabled(), type > 0) << type;
        Child<QRadioButton>(*form, QString("RadioButtonAdd%1").arg(type % 3 + 1))->click();
        Child<QLineEdit>(*form, "EditAddOutName1")->setText("Dist");
        Child<QPushButton>(*form, "Button1")->click();
        EXPECT_EQ(form->result(), QDialog::Accepted) << type;
        const IniFile written(path);
        EXPECT_EQ(written.readInteger("Regulator R1", "TypSoustavy", -1), type);
        EXPECT_EQ(written.readInteger("Regulator R1", "AddOut", -1), type % 3);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FormSim1Ui, ABadFieldIsRefusedAndNothingIsWritten) {
    const std::string before = velmora::testing::ReadBytes(path);
    IniFile file(path);
    auto form = open(file);
    Child<QCheckBox>(*form, "CheckBoxSim1")->setChecked(true);
    const std::size_t points = form->preview().size();
    Child<QLineEdit>(*form, "EditTau11")->setText("ten");
    EXPECT_EQ(form->preview().size(), points) << "the last good curve stays";
    Child<QPushButton>(*form, "Button1")->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_EQ(velmora::testing::ReadBytes(path), before);
}

TEST_F(FormSim1Ui, PickerButtonUsesTheHostsSelectionOrSaysItHasNone) {
    IniFile file(path);
    auto without = open(file);
    Child<QRadioButton>(*without, "RadioButtonAdd2")->click();
    EXPECT_FALSE(Child<QPushButton>(*without, "ButtonAddOut1")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(*without, "ButtonAddOut1")->toolTip().isEmpty());
    picker = [](const std::string& preset) { return std::optional<std::string>(preset + "_Dist"); };
    auto with = open(file);
    Child<QRadioButton>(*with, "RadioButtonAdd2")->click();
    Child<QLineEdit>(*with, "EditAddOutName1")->setText("Boiler");
    Child<QPushButton>(*with, "ButtonAddOut1")->click();
    EXPECT_EQ(Child<QLineEdit>(*with, "EditAddOutName1")->text(), "Boiler_Dist");
}

}  // namespace
}  // namespace velmora
