#include "wizard/WizardSequence.h"

#include "WizardTestSupport.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {
namespace {

using testing::ControllerFileTest;

// Records the pages; each page may write keys before it answers.
class ScriptedRunner : public PageRunner {
public:
    bool show(WizardPage page, WizardContext& context) override {
        shown.push_back({page, context.signalIndex});
        if (onShow) onShow(page, context);
        bool ok = shown.size() != cancelAt;
        if (!ok) AfterPageClosed(context, false);
        return ok;
    }
    std::vector<std::pair<WizardPage, int>> shown;
    std::function<void(WizardPage, WizardContext&)> onShow;
    std::size_t cancelAt = 0;  // 1-based page number to cancel; 0 never
};

class WizardOrder : public ControllerFileTest {
protected:
    void SetUp() override {
        ControllerFileTest::SetUp();
        writeFile("[Regulator Other]\r\nName=Other\r\nType=PID\r\nPBnd=250\r\n");
    }
    void modePage(int inputMode, bool cascade) {
        runner.onShow = [inputMode, cascade](WizardPage page, WizardContext& c) {
            if (page != WizardPage::ControllerMode) return;
            c.file->writeInteger(c.section(), "InputMode", inputMode);
            c.file->writeBool(c.section(), "Cascade", cascade);
        };
    }
    ScriptedRunner runner;
};

using P = WizardPage;

// The signal page comes once per input: Y2 after the mode page for two inputs
// or ratio control, Y3 for a cascade; the later pages carry the last index.
TEST_F(WizardOrder, PidPagesFollowTheInputModeAndCascadePidmaShowsOnlyItsOwn) {
    const std::vector<std::pair<WizardPage, int>> tail = {
        {P::PidParameters, 0}, {P::Setpoint, 0}, {P::Output, 0}, {P::Start, 0}};
    const struct {
        int inputMode;
        bool cascade;
        std::vector<int> signals;  // the signal pages after the mode page
    } cases[] = {{1, false, {}}, {2, true, {1, 2}}, {3, false, {1}}, {1, true, {2}}};
    for (const auto& c : cases) {
        runner.shown.clear();
        modePage(c.inputMode, c.cascade);
        EXPECT_TRUE(RunWizard(context, runner, newController("PID")));
        std::vector<std::pair<WizardPage, int>> expected = {{P::ControlledVariable, 0},
                                                            {P::ControllerMode, 0}};
        for (int s : c.signals) expected.push_back({P::ControlledVariable, s});
        for (auto [page, index] : tail) expected.push_back({page, c.signals.empty() ? 0 : c.signals.back()});
        EXPECT_EQ(runner.shown, expected) << c.inputMode << " " << c.cascade;
    }
    // PIDMA shows only its own pages.
    runner.shown.clear();
    runner.onShow = nullptr;
    context.signalIndex = 2;
    EXPECT_TRUE(RunWizard(context, runner, newController("PIDA")));
    std::vector<std::pair<WizardPage, int>> expected = {
        {P::PidmaController, 0}, {P::PidmaAutotuner, 0}, {P::Start, 0}};
    EXPECT_EQ(runner.shown, expected);
    // Any type other than "PID" is the floating-point kind.
    runner.shown.clear();
    EXPECT_TRUE(RunWizard(context, runner, newController("pid")));
    EXPECT_EQ(runner.shown.front().first, P::PidmaController);
}

TEST_F(WizardOrder, CancelOnAnyPageStopsAndDiscardsTheNewControllerOnlyEvenWhenThePageCouldNot) {
    const std::vector<std::string> otherKeys = file->sectionValues("Regulator Other");
    const std::string before = fileText();
    for (std::size_t page = 1; page <= 8; ++page) {
        writeFile(before);
        runner.shown.clear();
        runner.cancelAt = page;
        modePage(2, true);
        EXPECT_FALSE(RunWizard(context, runner, newController("PID"))) << page;
        EXPECT_EQ(runner.shown.size(), page);
        EXPECT_FALSE(context.wizardRunning);
        EXPECT_EQ(file->sections(), std::vector<std::string>{"Regulator Other"}) << page;
        EXPECT_EQ(file->sectionValues("Regulator Other"), otherKeys) << page;
    }
    class Failing : public PageRunner {
        bool show(WizardPage, WizardContext&) override { return false; }
    } failing;
    EXPECT_FALSE(RunWizard(context, failing, newController("PIDA")));
    EXPECT_FALSE(file->sectionExists(section()));
    EXPECT_FALSE(context.wizardRunning);
    EXPECT_TRUE(file->sectionExists("Regulator Other"));
    runner.shown.clear();
    EXPECT_FALSE(RunWizard(context, runner, [] { return false; }));
    EXPECT_TRUE(runner.shown.empty());
}

}  // namespace
}  // namespace velmora::wizard
