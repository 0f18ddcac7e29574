// Renders every dialog offscreen in English and Czech. With VELMORA_SCREENSHOTS
// set to a folder the pictures are saved there for a look by eye.
#include <gtest/gtest.h>

#include "UiApp.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>

#include <cstdlib>

#include "Fakes.h"
#include "controllers/FormInput1.h"
#include "controllers/FormNew1.h"
#include "controllers/FormOpenAs1.h"
#include "plugin/CompMsgForm.h"
#include "base/QtToolkit.h"
#include "base/Texts.h"

namespace velmora {
namespace {

QApplication& App() {
    return test::UiApp();
}

// Grabs a shown widget and checks that something was drawn.
void Shoot(QWidget& w, const std::string& name) {
    w.show();
    QCoreApplication::processEvents();
    QImage image = w.grab().toImage();
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(image.size(), w.size()) << name;
    if (const char* folder = std::getenv("VELMORA_SCREENSHOTS")) {
        EXPECT_TRUE(image.save(QString::fromStdString(std::string(folder) + "/" + name + ".png"))) << name;
    }
    w.hide();
}

class Screenshots : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        App();
        ModuleTexts().chooseLanguage(GetParam());
    }
    void TearDown() override { ModuleTexts().chooseLanguage(1); }
    std::string suffix() const { return GetParam() == 0 ? "_csy" : GetParam() == 4 ? "_rus" : "_enu"; }
};

TEST_P(Screenshots, EveryDialog) {
    test::TempDir dir;
    test::WriteFile(dir.path() / "PLC1.rglx", "[Regulator PID_1]\r\nName=PID_1\r\n");
    test::FakeHost host(dir.path() / "PLC1.rglx");
    test::ScriptedMessages messages;

    TFormNew1 wide(host, messages);
    Shoot(wide, "FormNew1_series6" + suffix());
    host.series = 5;
    TFormNew1 narrow(host, messages);
    Shoot(narrow, "FormNew1_series5" + suffix());

    TFormOpenAs1 openAs(messages);
    openAs.setName("Boiler_2");
    Shoot(openAs, "FormOpenAs1" + suffix());

    TFormInput1 input(messages);
    input.setWindowTitle("Setpoint");
    input.setText("55,00");
    Shoot(input, "FormInput1" + suffix());

    TCompMsgFrm comp;
    comp.setProject("PLC1");
    comp.setFile("Boiler_hall_B.orv");
    Shoot(comp, "CompMsgFrm" + suffix());

    auto box = BuildMessageBox(Text(2038), Text(3040), MessageIcon::Exclamation, MessageButtons::YesNo);
    Shoot(*box, "MessageBox" + suffix());
}

INSTANTIATE_TEST_SUITE_P(Languages, Screenshots, ::testing::Values(1, 0, 4), [](const auto& info) {
    return info.param == 0 ? "Czech" : info.param == 4 ? "Russian" : "English";
});

}  // namespace
}  // namespace velmora
