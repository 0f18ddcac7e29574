// The page forms' widgets: edits that correct each other, each page's widgets
// to their keys, and switches that enable or show others.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTableWidget>

#include "UiTestSupport.h"

namespace velmora::wizard {
namespace {

using testing::Child;
using testing::Type;

class PageWidgets : public testing::ControllerFileTest {
protected:
    void SetUp() override {
        testing::UiApp();
        ControllerFileTest::SetUp();
        file->writeString(section(), "Name", "PID_1");
        file->writeString(section(), "Type", "PID");
        context.wizardRunning = true;
    }
    std::unique_ptr<WizardPageForm> open(WizardPage p) {
        auto page = CreateWizardPage(p, context, nullptr);
        page->show();
        return page;
    }
    QString text(QWidget* page, const char* name) { return Child<QLineEdit>(page, name)->text(); }
};

// Leaving either edit runs its own handler, which corrects the other edit.
TEST_F(PageWidgets, BandAndGainEditsCorrectEachOtherWhenLeft) {
    auto page = open(WizardPage::PidParameters);
    Type(page.get(), "EditG1", "4");
    EXPECT_EQ(text(page.get(), "EditPBnd1"), "25,0");
    Type(page.get(), "EditPBnd1", "20");
    EXPECT_EQ(text(page.get(), "EditG1"), "5,00");
    Type(page.get(), "EditRegCool1", "50");
    EXPECT_EQ(text(page.get(), "EditG2"), "10,00");
    page->Button1Click();
    EXPECT_EQ(value("PBnd"), "200");
    EXPECT_EQ(value("RelCool"), "500");
}

// Each page's widgets reach their keys: one widget set, OK, the key as the rule writes it.
TEST_F(PageWidgets, WidgetsReachTheirKeys) {
    struct Case {
        WizardPage page;
        std::function<void(QWidget*)> act;
        std::vector<std::pair<const char*, const char*>> keys;
    };
    variables = {
        {"Valve", "INT %R1"}, {"Up", "%X1.0"}, {"Down", "%X1.1"}, {"In", "REAL %R0"}, {"Out", "REAL %R4"}};
    const Case cases[] = {
        {WizardPage::PidParameters,
         [](QWidget* p) {
             Child<QCheckBox>(p, "CheckBoxRemanent1")->setChecked(false);
             Child<QCheckBox>(p, "chk1")->setChecked(true);
             Type(p, "edtoff1", "300");
         },
         {{"Remanent", "0"}, {"OffReg", "300"}, {"OffRem", "-1"}}},
        {WizardPage::Start,
         [](QWidget* p) {
             Child<RadioGroup>(p, "RadioGroup1")->setItemIndex(1);
             Type(p, "EditW1", "40");
         },
         {{"AM", "0"}, {"Output", "4000"}}},
        {WizardPage::Output,
         [](QWidget* p) {
             Child<RadioGroup>(p, "RadioGroupRezim2")->setItemIndex(1);
             Type(p, "EditUp1", "Up");
             Type(p, "EditUm1", "Down");
         },
         {{"UAnalog", "0"}, {"UmName", "Down"}, {"A8", "1"}}},
        {WizardPage::Setpoint,
         [](QWidget* p) {
             Child<QRadioButton>(p, "RadioButton2")->setChecked(true);
             Type(p, "EditTiW1", "70000");
         },
         {{"WFiltr", "0"}, {"TiW", "65535"}}},
        {WizardPage::ControllerMode,
         [](QWidget* p) {
             Child<QRadioButton>(p, "RadioButton3")->setChecked(true);
             Child<QCheckBox>(p, "CheckBox1")->setChecked(true);
         },
         {{"InputMode", "3"}, {"Cascade", "1"}}},
        {WizardPage::ControlledVariable,
         [](QWidget* p) {
             Type(p, "EditName1", "Valve");
             Child<QTableWidget>(p, "StringGrid1")->setCurrentCell(6, 0);
         },
         {{"Y1Name", "Valve"}}},
        {WizardPage::PidmaController,
         [](QWidget* p) {
             Type(p, "Edit1", "2.5");
             Child<QComboBox>(p, "ComboBox1")->setCurrentText("PI");
             Type(p, "EditName1", "In");
             Type(p, "EditName2", "Out");
         },
         {{"irtype", "6"}, {"k", "2,50"}}},
        {WizardPage::PidmaAutotuner,
         [](QWidget* p) {
             Child<QComboBox>(p, "ComboBox1")->setCurrentIndex(0);
             Child<QComboBox>(p, "ComboBox3")->setCurrentIndex(2);
         },
         {{"ittype", "6"}, {"ispeed", "3"}}},
    };
    context.plcTypeIndex = 10;
    context.plcSeries = 6;
    file->writeInteger(section(), "HeaderInST", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.page));
        file->writeString(section(), "Type", c.page >= WizardPage::PidmaController ? "PIDA" : "PID");
        auto page = open(c.page);
        c.act(page.get());
        page->Button1Click();
        EXPECT_FALSE(page->isVisible());
        for (const auto& [key, expected] : c.keys) EXPECT_EQ(value(key), expected) << key;
    }
}

// Switches that enable, show or lock other widgets.
TEST_F(PageWidgets, SwitchesEnableTheirWidgets) {
    auto output = open(WizardPage::Output);
    auto* filter = Child<QLineEdit>(output.get(), "EditMinFU1");
    EXPECT_FALSE(filter->isEnabled());
    Child<QCheckBox>(output.get(), "CheckBoxFu1")->setChecked(true);
    EXPECT_TRUE(filter->isEnabled());
    QCoreApplication::processEvents();
    const int analogHeight = output->height();
    auto* kind = Child<RadioGroup>(output.get(), "RadioGroupRezim2");
    kind->setItemIndex(1);
    EXPECT_GT(output->height(), analogHeight) << "three-stage shows the minus-side row";
    kind->setItemIndex(0);
    EXPECT_EQ(output->height(), analogHeight) << "and the page shrinks back without it";
    output->reject();
    auto setpoint = open(WizardPage::Setpoint);
    EXPECT_FALSE(Child<QLineEdit>(setpoint.get(), "EditTiW1")->isEnabled());
    Child<QRadioButton>(setpoint.get(), "RadioButton2")->setChecked(true);
    EXPECT_TRUE(Child<QLineEdit>(setpoint.get(), "EditTiW1")->isEnabled());
    setpoint->reject();
    file->writeBool(section(), "Cascade", true);
    auto cascade = open(WizardPage::Output);
    EXPECT_EQ(Child<RadioGroup>(cascade.get(), "RadioGroupRezim1")->itemIndex(), 1);
    EXPECT_FALSE(Child<RadioGroup>(cascade.get(), "RadioGroupRezim1")->isEnabled());
}

}  // namespace
}  // namespace velmora::wizard
