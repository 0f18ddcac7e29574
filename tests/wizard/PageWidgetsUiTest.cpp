#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "UiTestSupport.h"
#include "base/IniFile.h"
#include "wizard/FormWizardPage.h"

namespace velmora::wizard {
namespace {

using testing::Find;
using testing::Leave;
using testing::Type;

class PageWidgets : public testing::ControllerFileTest {
protected:
    void SetUp() override {
        testing::Application();
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
    QString text(QWidget* page, const char* name) { return Find<QLineEdit>(page, name)->text(); }
};

TEST_F(PageWidgets, BandAndGainEditsCorrectEachOtherWhenLeft) {
    auto page = open(WizardPage::PidParameters);
    EXPECT_EQ(text(page.get(), "EditPBnd1"), "100,0");
    EXPECT_EQ(text(page.get(), "EditG1"), "1,00");
    Type(page.get(), "EditPBnd1", "0");
    EXPECT_EQ(text(page.get(), "EditPBnd1"), "0,1");
    EXPECT_EQ(text(page.get(), "EditG1"), "1000,00");
    Type(page.get(), "EditG1", "4");
    EXPECT_EQ(text(page.get(), "EditPBnd1"), "25,0");
    Type(page.get(), "EditG1", "0");
    EXPECT_EQ(text(page.get(), "EditPBnd1"), "100,0");
    EXPECT_EQ(text(page.get(), "EditG1"), "1,00");
    Type(page.get(), "EditPBnd1", "20");
    Type(page.get(), "EditRegCool1", "50");
    EXPECT_EQ(text(page.get(), "EditG2"), "10,00");
    Type(page.get(), "EditT1", "0");
    EXPECT_EQ(text(page.get(), "EditT1"), "0,01");
    Type(page.get(), "EditIGap1", "150");
    EXPECT_EQ(text(page.get(), "EditIGap1"), "100,00");
    page->Button1Click();
    EXPECT_EQ(value("OutCycle"), "1");
    EXPECT_EQ(value("PBnd"), "200");
    EXPECT_EQ(value("RelCool"), "500");
}

TEST_F(PageWidgets, EqualRawBoundsAreReportedAndRefused) {
    auto page = open(WizardPage::PidParameters);
    Type(page.get(), "EditMinY1", "10000");
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].text, Text(3152));
    page->Button1Click();
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(file->valueExists(section(), "PBnd"));
}

TEST_F(PageWidgets, RetainedRegistersControlTheirPlacementAndExplanation) {
    file->writeInteger(section(), "HeaderInST", 1);
    context.plcSeries = 6;
    auto page = open(WizardPage::PidParameters);
    auto* remanent = Find<QCheckBox>(page.get(), "CheckBoxRemanent1");
    auto* chk2 = Find<QCheckBox>(page.get(), "chk2");
    auto* warning = Find<QLabel>(page.get(), "Warning1");
    EXPECT_TRUE(remanent->isChecked());
    EXPECT_NE(warning->text().toStdString().find("PID_1_Control.11"), std::string::npos);
    EXPECT_FALSE(Find<QCheckBox>(page.get(), "CheckBoxP41")->isEnabled());  // series 5 only
    EXPECT_FALSE(Find<QPushButton>(page.get(), "Button3")->isVisible());    // no upload for a new controller
    chk2->setChecked(true);
    EXPECT_TRUE(Find<QLineEdit>(page.get(), "edtoff2")->isEnabled());
    remanent->setChecked(false);
    EXPECT_FALSE(chk2->isChecked());
    EXPECT_FALSE(chk2->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>(page.get(), "edtoff2")->isEnabled());
    EXPECT_EQ(warning->text().toStdString(), Text(3555));
    Find<QCheckBox>(page.get(), "chk1")->setChecked(true);
    Type(page.get(), "edtoff1", "300");
    page->Button1Click();
    EXPECT_EQ(value("Remanent"), "0");
    EXPECT_EQ(value("OffReg"), "300");
    EXPECT_EQ(value("OffRem"), "-1");
}

TEST_F(PageWidgets, StartPageLimitsItsValuesAndSwapsThemWithRatioControl) {
    file->writeInteger(section(), "InputMode", 3);
    auto page = open(WizardPage::Start);
    EXPECT_EQ(text(page.get(), "EditW1"), "0,00");
    Type(page.get(), "EditW1", "150");
    EXPECT_EQ(text(page.get(), "EditW1"), "100,00");
    Type(page.get(), "EditW1", "-250");
    EXPECT_EQ(text(page.get(), "EditW1"), "-100,00");
    Type(page.get(), "EditW1", "1,5");  // the desired ratio in automatic mode
    EXPECT_FALSE(Find<QLineEdit>(page.get(), "EditW2")->isVisible());
    EXPECT_EQ(Find<QLabel>(page.get(), "LabelW1")->text().toStdString(), Text(3188));
    auto* group = Find<RadioGroup>(page.get(), "RadioGroup1");
    group->setItemIndex(1);
    EXPECT_TRUE(Find<QLineEdit>(page.get(), "EditW2")->isVisible());
    EXPECT_EQ(text(page.get(), "EditW2"), "1,50");
    EXPECT_EQ(Find<QLabel>(page.get(), "LabelW1")->text().toStdString(), Text(3187));
    Type(page.get(), "EditW1", "40");
    page->Button1Click();
    EXPECT_EQ(value("AM"), "0");
    EXPECT_EQ(value("gW"), "150");
    EXPECT_EQ(value("Output"), "4000");
    EXPECT_EQ(generated, std::vector<std::string>{"PID_1"});
    EXPECT_FALSE(context.wizardRunning);
}

TEST_F(PageWidgets, OutputPageRules) {
    auto page = open(WizardPage::Output);
    Type(page.get(), "EditMinFU1", "1");
    EXPECT_EQ(text(page.get(), "EditMinFU1"), "1,28");
    Type(page.get(), "EditMinFU1", "3");
    EXPECT_EQ(text(page.get(), "EditMinFU1"), "2,24");
    EXPECT_FALSE(Find<QLineEdit>(page.get(), "EditMinFU1")->isEnabled());
    Find<QCheckBox>(page.get(), "CheckBoxFu1")->setChecked(true);
    EXPECT_TRUE(Find<QLineEdit>(page.get(), "EditMinFU1")->isEnabled());
    Type(page.get(), "EditDUMax1", "-3");
    EXPECT_EQ(text(page.get(), "EditDUMax1"), "0,00");
    Type(page.get(), "EditUMin1", "-300");
    EXPECT_EQ(text(page.get(), "EditUMin1"), "-100,00");

    auto* ao = Find<QCheckBox>(page.get(), "CheckBoxAO1");
    auto* bipolar = Find<QCheckBox>(page.get(), "CheckBoxBiU1");
    bipolar->setChecked(true);
    ao->setChecked(true);
    EXPECT_FALSE(bipolar->isChecked());
    bipolar->setChecked(true);
    EXPECT_FALSE(ao->isChecked());

    Find<QRadioButton>(page.get(), "CheckBoxMer1")->setChecked(true);
    EXPECT_TRUE(Find<QLineEdit>(page.get(), "EditU1")->isEnabled());
    EXPECT_FALSE(bipolar->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>(page.get(), "EditUm1")->isVisible());
    Find<RadioGroup>(page.get(), "RadioGroupRezim2")->setItemIndex(1);  // three-stage
    EXPECT_TRUE(Find<QRadioButton>(page.get(), "CheckBoxA8")->isChecked());
    for (const char* name : {"CheckBoxA8", "CheckBoxA12", "CheckBoxA16", "CheckBoxReal", "CheckBoxMer1"})
        EXPECT_FALSE(Find<QRadioButton>(page.get(), name)->isEnabled()) << name;
    EXPECT_FALSE(ao->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>(page.get(), "EditU1")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>(page.get(), "EditUm1")->isVisible());
    EXPECT_EQ(Find<QLabel>(page.get(), "LabelUp1")->text().toStdString(), Text(3182));

    variables["Up"] = "%X1.0";
    variables["Down"] = "%X1.1";
    Type(page.get(), "EditUp1", "Up");
    Type(page.get(), "EditUm1", "Down");
    messages.asked.clear();
    page->Button1Click();
    EXPECT_TRUE(messages.asked.empty());
    EXPECT_EQ(value("UAnalog"), "0");
    EXPECT_EQ(value("UF"), "7");
    EXPECT_EQ(value("UmName"), "Down");
    EXPECT_EQ(value("A8"), "1");
}

TEST_F(PageWidgets, CascadeLocksTheIncrementalOutput) {
    file->writeBool(section(), "Cascade", true);
    variables["Valve"] = "BYTE %R1";
    auto page = open(WizardPage::Output);
    auto* mode = Find<RadioGroup>(page.get(), "RadioGroupRezim1");
    EXPECT_EQ(mode->itemIndex(), 1);
    EXPECT_FALSE(mode->isEnabled());
    Type(page.get(), "EditUp1", "Valve");
    page->Button1Click();
    EXPECT_EQ(value("UPosition"), "0");
}

TEST_F(PageWidgets, SetpointPageEnablesTheTimeOnlyWithAModification) {
    auto page = open(WizardPage::Setpoint);
    auto* edit = Find<QLineEdit>(page.get(), "EditTiW1");
    EXPECT_TRUE(Find<QRadioButton>(page.get(), "RadioButton3")->isChecked());
    EXPECT_FALSE(edit->isEnabled());
    Find<QRadioButton>(page.get(), "RadioButton2")->setChecked(true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_EQ(Find<QLabel>(page.get(), "LabelTiW1")->text().toStdString(), Text(3157));
    Type(page.get(), "EditTiW1", "-5");
    EXPECT_EQ(edit->text(), "1");
    Type(page.get(), "EditTiW1", "70000");
    EXPECT_EQ(edit->text(), "65535");
    Find<QRadioButton>(page.get(), "RadioButton3")->setChecked(true);
    page->Button1Click();
    EXPECT_EQ(value("WFiltr"), "1");
    EXPECT_EQ(value("TiW"), "0");
}

TEST_F(PageWidgets, ModePageWritesItsKeys) {
    auto page = open(WizardPage::ControllerMode);
    EXPECT_TRUE(Find<QRadioButton>(page.get(), "RadioButton1")->isChecked());
    Find<QRadioButton>(page.get(), "RadioButton3")->setChecked(true);
    Find<QCheckBox>(page.get(), "CheckBox1")->setChecked(true);
    page->Button1Click();
    EXPECT_EQ(value("InputMode"), "3");
    EXPECT_EQ(value("Cascade"), "1");
    EXPECT_EQ(value("Astat"), "1");
    EXPECT_EQ(value("UPosition"), "0");
    // Opened alone with a mode outside 1 ... 3 nothing is checked.
    context.wizardRunning = false;
    file->writeInteger(section(), "InputMode", 7);
    page = open(WizardPage::ControllerMode);
    for (const char* name : {"RadioButton1", "RadioButton2", "RadioButton3"})
        EXPECT_FALSE(Find<QRadioButton>(page.get(), name)->isChecked()) << name;
}

TEST_F(PageWidgets, SignalPageTablesRowsAndSameAsY1) {
    context.plcTypeIndex = 10;
    context.signalIndex = 1;
    file->writeString(section(), "Y1Unit", "Hazel-KA");
    file->writeInteger(section(), "Y1CNVMode", 421);
    file->writeBool(section(), "Y1Measure", true);
    file->writeInteger(section(), "Y1x1", -1000);
    file->writeInteger(section(), "Y1x2", 4260);
    auto page = open(WizardPage::ControlledVariable);
    auto* units = Find<QComboBox>(page.get(), "ComboBox1");
    auto* grid = Find<QTableWidget>(page.get(), "StringGrid1");
    auto* same = Find<QCheckBox>(page.get(), "CheckSame1");
    EXPECT_TRUE(same->isVisible());
    EXPECT_EQ(units->count(), 6);
    EXPECT_EQ(grid->rowCount(), 10);
    // The name edit is marked while it is empty.
    EXPECT_EQ(Find<QLineEdit>(page.get(), "EditName1")->palette().color(QPalette::Base),
              QColor(0xFF, 0x80, 0x80));
    Type(page.get(), "EditName1", "Ratio");
    EXPECT_NE(Find<QLineEdit>(page.get(), "EditName1")->palette().color(QPalette::Base),
              QColor(0xFF, 0x80, 0x80));
    units->setCurrentIndex(2);  // Hazel-KC
    EXPECT_EQ(grid->currentRow(), 0);
    grid->setCurrentCell(6, 0);  // 1121 Pt100
    EXPECT_EQ(text(page.get(), "Editx1"), "-1000");
    EXPECT_EQ(text(page.get(), "Editx2"), "8500");
    same->click();
    EXPECT_EQ(units->currentText(), "Hazel-KA");
    EXPECT_EQ(grid->currentRow(), 6);
    EXPECT_TRUE(Find<QCheckBox>(page.get(), "CheckMer1")->isChecked());
    EXPECT_EQ(text(page.get(), "Edity1"), "10000");  // absent points read with the copy's defaults
    Type(page.get(), "Edity1", "0");
    variables["Ratio"] = "INT %R0";
    page->Button1Click();
    EXPECT_EQ(value("Y2Unit"), "Hazel-KA");
    EXPECT_EQ(value("Y2CNVMode"), "421");
    EXPECT_EQ(value("Y2Min"), "0");
    EXPECT_EQ(value("Y2Max"), "10000");
}

TEST_F(PageWidgets, ActuatorSignalHasNoYPointsAndKeepsThemFixed) {
    context.signalIndex = 2;
    variables["Pos"] = "INT %R0";
    auto page = open(WizardPage::ControlledVariable);
    EXPECT_FALSE(Find<QCheckBox>(page.get(), "CheckMer1")->isVisible());
    EXPECT_FALSE(Find<QLineEdit>(page.get(), "Edity1")->isVisible());
    EXPECT_TRUE(Find<QLineEdit>(page.get(), "Editx1")->isEnabled());
    EXPECT_EQ(Find<QLabel>(page.get(), "Labelx1")->text().toStdString(), Text(3126));
    Type(page.get(), "EditName1", "Pos");
    Type(page.get(), "Editx1", "2000");
    page->Button1Click();
    EXPECT_EQ(value("Y3Measure"), "1");
    EXPECT_EQ(value("Y3y1"), "0");
    EXPECT_EQ(value("Y3y2"), "10000");
    EXPECT_EQ(value("Y3Min"), "-2500");
    EXPECT_EQ(value("Y3Max"), "10000");
}

TEST_F(PageWidgets, PidmaPagesKeepDecimalTexts) {
    file->writeString(section(), "Type", "PIDA");
    variables["In"] = "REAL %R0";
    variables["Out"] = "REAL %R4";
    auto page = open(WizardPage::PidmaController);
    Type(page.get(), "Edit1", "2.5");
    EXPECT_EQ(text(page.get(), "Edit1"), "2,50");
    Type(page.get(), "Edit2", "slow");
    EXPECT_EQ(text(page.get(), "Edit2"), "4,00");
    Find<QComboBox>(page.get(), "ComboBox1")->setCurrentText("PI");
    Type(page.get(), "EditName1", "In");
    Type(page.get(), "EditName2", "Out");
    page->Button1Click();
    EXPECT_EQ(value("irtype"), "6");
    EXPECT_EQ(value("k"), "2,50");
    EXPECT_EQ(value("ti"), "4,00");

    page = open(WizardPage::PidmaAutotuner);
    Find<QComboBox>(page.get(), "ComboBox1")->setCurrentIndex(0);
    Find<QComboBox>(page.get(), "ComboBox3")->setCurrentIndex(2);
    page->Button1Click();
    EXPECT_EQ(value("ittype"), "6");
    EXPECT_EQ(value("ispeed"), "3");
    EXPECT_EQ(value("amp"), "15,00");
    context.wizardRunning = false;
    file->writeInteger(section(), "ittype", 7);
    page = open(WizardPage::PidmaAutotuner);
    EXPECT_EQ(Find<QComboBox>(page.get(), "ComboBox1")->currentText(), "PID");
    page->reject();
}

}  // namespace
}  // namespace velmora::wizard
