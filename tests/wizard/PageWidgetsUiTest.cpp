// The page forms' widgets: edits that correct each other, each page's widgets
// to their keys, and switches that enable or show others.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTableWidget>

#include "UiTestSupport.h"
#include "base/Strings.h"

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

// Sets a widget as a user would: a check box to "1" or "0", a radio button
// on, a radio group, combo box or table row to an index (a combo box to a text
// that is no number), an edit typed and left.
void Set(QWidget* page, const char* name, const QString& value) {
    bool number = false;
    const int index = value.toInt(&number);
    if (auto* box = page->findChild<QCheckBox*>(name)) {
        box->setChecked(value == "1");
    } else if (auto* button = page->findChild<QRadioButton*>(name)) {
        button->setChecked(true);
    } else if (auto* group = page->findChild<RadioGroup*>(name)) {
        group->setItemIndex(index);
    } else if (auto* combo = page->findChild<QComboBox*>(name)) {
        number ? combo->setCurrentIndex(index) : combo->setCurrentText(value);
    } else if (auto* table = page->findChild<QTableWidget*>(name)) {
        table->setCurrentCell(index, 0);
    } else {
        Type(page, name, value);
    }
}

// "a=1 b=2" as its pairs.
std::vector<std::pair<std::string, std::string>> Pairs(const char* text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& item : Split(text, ' '))
        pairs.emplace_back(item.substr(0, item.find('=')), item.substr(item.find('=') + 1));
    return pairs;
}

// Each page's widgets reach their keys: the widgets set, OK, the keys as the rule writes them.
TEST_F(PageWidgets, WidgetsReachTheirKeys) {
    using P = WizardPage;
    const struct {
        WizardPage page;
        const char *widgets, *keys;
    } cases[] = {
        {P::PidParameters, "CheckBoxRemanent1=0 chk1=1 edtoff1=300", "Remanent=0 OffReg=300 OffRem=-1"},
        {P::Start, "RadioGroup1=1 EditW1=40", "AM=0 Output=4000"},
        {P::Output, "RadioGroupRezim2=1 EditUp1=Up EditUm1=Down", "UAnalog=0 UmName=Down A8=1"},
        {P::Setpoint, "RadioButton2=1 EditTiW1=70000", "WFiltr=0 TiW=65535"},
        {P::ControllerMode, "RadioButton3=1 CheckBox1=1", "InputMode=3 Cascade=1"},
        {P::ControlledVariable, "EditName1=Valve StringGrid1=6", "Y1Name=Valve"},
        {P::PidmaController, "Edit1=2.5 ComboBox1=PI EditName1=In EditName2=Out", "irtype=6 k=2,50"},
        {P::PidmaAutotuner, "ComboBox1=0 ComboBox3=2", "ittype=6 ispeed=3"},
    };
    variables = {
        {"Valve", "INT %R1"}, {"Up", "%X1.0"}, {"Down", "%X1.1"}, {"In", "REAL %R0"}, {"Out", "REAL %R4"}};
    context.plcTypeIndex = 10, context.plcSeries = 6;
    file->writeInteger(section(), "HeaderInST", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.widgets);
        file->writeString(section(), "Type", c.page >= WizardPage::PidmaController ? "PIDA" : "PID");
        auto page = open(c.page);
        for (const auto& [name, text] : Pairs(c.widgets))
            Set(page.get(), name.c_str(), QString::fromStdString(text));
        page->Button1Click();
        EXPECT_FALSE(page->isVisible());
        for (const auto& [key, expected] : Pairs(c.keys)) EXPECT_EQ(value(key), expected) << key;
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
