// The online view's plant simulation closing a loop on the soft PLC, run
// through the stand-in host and the real plug-in: a first-order plant under
// a P controller settles at K·Kp/(1 + K·Kp) of the set point.
#include <gtest/gtest.h>

#include <sstream>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "host/Commands.h"

namespace velmora::testing {
namespace {

using ViewSimulationLoop = ScratchProject;

TEST_F(ViewSimulationLoop, FirstOrderPlantUnderPControllerSettlesAtTheTextbookValue) {
    struct Row {
        double gain;  // plant K
        int pBnd;     // tenths of a percent: Kp = 1000 / PBnd
        int setpoint; // raw, 10000 = 100 %
    };
    for (const Row& r : {Row{2, 500, 5000}, Row{1, 1000, 6000}, Row{0.5, 250, 6000}}) {
        {
            IniFile file(project / "Velmora" / "PLC2.rglx");
            IniFile::Batch batch(file);
            const std::string s = "Regulator Chiller";
            for (const auto& [key, value] : {std::pair{"Ti", 0}, {"Td", 0}, {"AO", 0}, {"UMin", 0}, {"UMax", 10000},
                                            {"UDef", 0}, {"Y1Filtr", 0}, {"TiW", 0}, {"TypSoustavy", 1}})
                file.writeInteger(s, key, value);
            file.writeInteger(s, "PBnd", r.pBnd);
            file.writeInteger(s, "gW", r.setpoint);
            file.writeDecimal(s, "Su", r.gain);
            file.writeDecimal(s, "Su2", r.gain);
            file.writeDecimal(s, "Tau1", 30);
            file.writeDecimal(s, "y0", 0);
            file.writeDecimal(s, "ys", 0);
            batch.commit();
        }
        std::ostringstream out, err;
        ASSERT_EQ(host::RunCommand({"run", "--project", project.string(), "--plc", "PLC2", "--seconds", "300",
                                    "--sample-ms", "10000", "--online", "Chiller", "--trace", "Chiller_input1"},
                                   out, err),
                  0)
            << err.str();
        std::istringstream rows(out.str());
        std::vector<double> y;
        for (std::string line; std::getline(rows, line);)
            if (const auto comma = line.find(','); comma != std::string::npos && line[0] != 't')
                y.push_back(std::stod(line.substr(comma + 1)));
        ASSERT_EQ(y.size(), 31u) << out.str();
        const double kkp = r.gain * 1000.0 / r.pBnd;
        const double textbook = kkp / (1 + kkp) * r.setpoint;
        EXPECT_NEAR(y[29], textbook, 40) << "K " << r.gain << "\n" << out.str();
        EXPECT_NEAR(y[30], textbook, 40) << "K " << r.gain;
        EXPECT_LT(y[0], textbook / 2) << "the plant starts from 0";
    }
}

}  // namespace
}  // namespace velmora::testing
