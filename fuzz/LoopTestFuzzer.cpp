// The loop-test reader and its check: whatever they accept is a case inside
// the limits the runner relies on, and the report's XML text stays markup-free.
#include <algorithm>
#include <cmath>

#include "FuzzSupport.h"
#include "host/looptest/LoopTestCheck.h"
#include "host/looptest/LoopTestReport.h"

namespace {

using namespace velmora::looptest;
using velmora::fuzz::Expect;

// A PLC with one symbol of each kind and one simulated controller with a disturbance.
const PlcCatalogue& Catalogue() {
    static const PlcCatalogue catalogue = [] {
        PlcCatalogue c;
        c.plc = "PLC1";
        c.symbol = [](const std::string& name) -> std::optional<SymbolInfo> {
            if (name == "A" || name == "Load") return SymbolInfo{true, false, -32768, 32767};
            if (name == "R") return SymbolInfo{true, true, -3.4e38, 3.4e38};
            if (name == "S") return SymbolInfo{false, false, 0, 0};
            return std::nullopt;
        };
        velmora::PlantSettings plant;
        plant.simulation = true;
        plant.addOut = velmora::kDisturbanceWord;
        plant.addOutName = "Load";
        c.controllers.push_back({"Loop", plant});
        c.controllers.push_back({"Open", velmora::PlantSettings{}});
        return c;
    }();
    return catalogue;
}

void CheckAccepted(const Case& c) {
    Expect(c.duration > 0 && c.duration <= kMaxDuration, "duration out of range");
    Expect(c.cycle >= 1 && c.cycle <= 1000 && c.sample >= 1 && c.sample <= c.duration,
           "cycle or sample out of range");
    Expect(c.duration / c.sample <= kMaxSamples, "too many samples");
    Expect(!c.expectations.empty(), "a case without expectations");
    for (std::size_t i = 0; i < c.stimuli.size(); ++i) {
        Expect(c.stimuli[i].at >= 0 && c.stimuli[i].at <= c.duration, "stimulus outside the case");
        Expect(i == 0 || c.stimuli[i - 1].at <= c.stimuli[i].at, "stimuli out of order");
        Expect(std::isfinite(c.stimuli[i].value), "stimulus value not finite");
    }
    for (const Expectation& e : c.expectations) {
        Expect(e.t1 >= 0 && e.t1 <= c.duration && e.t2 <= c.duration, "expectation time outside the case");
        Expect(std::isfinite(e.a) && std::isfinite(e.b), "expectation value not finite");
        if (e.check == Check::Settles) Expect(e.t1 + e.span <= c.windowEnd(e.t1), "settling past the window");
    }
}

}  // namespace

VELMORA_FUZZ_TARGET(LoopTest) {
    const std::string_view text = velmora::fuzz::Bytes(data, size);
    ParsedFile parsed = ParseLoopTests(text, "fuzz.vtest");
    const long long lines = std::count(text.begin(), text.end(), '\n') + 1;
    for (const Diagnostic& d : parsed.problems)
        Expect(d.line >= 0 && d.line <= lines, "diagnostic line out of range");
    if (!parsed.problems.empty()) return 0;
    for (Case& c : parsed.cases) {
        CheckAccepted(c);
        if (!CheckCase(c, Catalogue()).empty()) continue;
        for (const OnlineController& o : c.online)
            Expect(o.settings.has_value(), "online controller without plant");
    }
    const std::string xml = XmlText(text);
    Expect(xml.find_first_of("<>\"\n\r") == std::string::npos, "markup left in XML text");
    return 0;
}
