// The view's plant simulation closing loops on the soft PLC: settled values against the textbook.
#include <gtest/gtest.h>

#include <sstream>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "host/Commands.h"

namespace velmora::testing {
namespace {

class ViewSimulationLoop : public ScratchProject {
protected:
    // Writes "KEY=VALUE ..." into a controller's section.
    void write(const char* plc, const std::string& controller, const std::string& keys) {
        IniFile file(project / "Velmora" / (std::string(plc) + ".rglx"));
        IniFile::Batch batch(file);
        std::istringstream in(keys);
        for (std::string kv; in >> kv;) {
            const auto eq = kv.find('=');
            file.writeDecimal("Regulator " + controller, kv.substr(0, eq), std::stod(kv.substr(eq + 1)));
        }
        batch.commit();
    }
    // The traced symbol every 10 s for 300 s, the controller online with its plant.
    std::vector<double> trace(const char* plc, const std::string& controller, const std::string& symbol,
                              const std::string& extra = "") {
        const auto rows =
            RunRows(project, std::string("--plc ") + plc + " --seconds 300 --sample-ms 10000 --online " +
                                 controller + " --trace " + symbol + extra);
        std::vector<double> y;
        for (std::size_t i = 1; i < rows.size(); ++i) y.push_back(std::stod(rows[i].at(1)));
        return y;
    }
};

TEST_F(ViewSimulationLoop, FirstOrderPlantUnderPControllerSettlesAtTheTextbookValue) {
    struct Row {
        double gain;   // plant K
        int pBnd;      // tenths of a percent: Kp = 1000 / PBnd
        int setpoint;  // raw, 10000 = 100 %
    };
    for (const Row& r : {Row{2, 500, 5000}, Row{1, 1000, 6000}, Row{0.5, 250, 6000}}) {
        std::ostringstream keys;
        keys << "Ti=0 Td=0 AO=0 UMin=0 UMax=10000 UDef=0 Y1Filtr=0 TiW=0 TypSoustavy=1 Tau1=30 y0=0 ys=0"
             << " PBnd=" << r.pBnd << " gW=" << r.setpoint << " Su=" << r.gain << " Su2=" << r.gain;
        write("PLC2", "Chiller", keys.str());
        const auto y = trace("PLC2", "Chiller", "Chiller_input1");
        ASSERT_EQ(y.size(), 31u);
        const double kkp = r.gain * 1000.0 / r.pBnd;
        const double textbook = kkp / (1 + kkp) * r.setpoint;
        EXPECT_NEAR(y[29], textbook, 40) << "K " << r.gain;
        EXPECT_NEAR(y[30], textbook, 40) << "K " << r.gain;
        EXPECT_LT(y[0], textbook / 2) << "the plant starts from 0";
    }
}

// The floating-point controller loads its Input variable into pv every scan,
// so the loop closes only through the simulated value written into Input.
TEST_F(ViewSimulationLoop, PidmaUnderPOnlyClosesThroughItsInputVariable) {
    struct Row {
        double gain, k, setpoint;  // plant K, controller k, set point in %
    };
    for (const Row& r : {Row{2, 0.5, 50}, Row{1, 1, 60}, Row{0.5, 4, 60}}) {
        // The set point starts at 0 and steps at 10 s: the block's first sample takes the output in memory
        // (0) bumplessly, which for a P controller would otherwise hold an offset of −k·sp.
        std::ostringstream keys;
        keys << "irtype=4 b=1 sp=0 Simulation=1 TypSoustavy=1 Tau1=30 y0=0 ys=0 SimT=1 k=" << r.k
             << " Su=" << r.gain << " Su2=" << r.gain;
        write("PLC1", "Dryer", keys.str());
        std::ostringstream step;
        step << " --at 10 set Dryer_sp=" << r.setpoint;
        const auto y = trace("PLC1", "Dryer", "Dryer_Humidity", step.str());
        ASSERT_EQ(y.size(), 31u);
        const double kkp = r.gain * r.k;
        const double textbook = kkp / (1 + kkp) * r.setpoint;
        EXPECT_NEAR(y[29], textbook, 0.2) << "K " << r.gain;
        EXPECT_NEAR(y[30], textbook, 0.2) << "K " << r.gain;
        EXPECT_EQ(y[1], 0) << "nothing moves before the step";
    }
}

}  // namespace
}  // namespace velmora::testing
