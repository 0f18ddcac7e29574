#include "tuning/LoopSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "controllers/SectionReader.h"
#include "tuning/NumberText.h"

namespace velmora::tuning {

double SamplePeriod(const LoopController& c, double scan) {
    if (c.kind == ControllerKind::Pid) {
        const double period = std::max(0, c.pid.outCycle) * 0.01;
        return scan * std::max(1.0, std::ceil(period / scan - 1e-9));
    }
    // A sample is due when half a call before Ts has passed.
    return scan * std::max(1.0, std::ceil(c.pida.ts / scan - 0.5 - 1e-9));
}

double OutputLow(const LoopController& c) {
    return c.kind == ControllerKind::Pid ? c.pid.minU * 0.01 : std::min(c.pida.lolim, c.pida.hilim);
}

double OutputHigh(const LoopController& c) {
    return c.kind == ControllerKind::Pid ? c.pid.maxU * 0.01 : std::max(c.pida.lolim, c.pida.hilim);
}

bool Reverse(const LoopController& c) {
    return c.kind == ControllerKind::Pid ? c.pid.reverse : c.pida.reverse;
}

void SerialToParallel(double& k, double& ti, double& td) {
    if (!(ti > 0 && td > 0)) return;
    const double sum = ti + td;
    k *= 1 + td / ti;
    td = ti * td / sum;
    ti = sum;
}

void ParallelToSerial(double& k, double& ti, double& td) {
    if (!(ti > 0 && td > 0)) return;
    const double d = std::min(td, ti / 4);
    const double root = std::sqrt(std::max(0.0, 1 - 4 * d / ti));
    k = k / 2 * (1 + root);
    td = ti / 2 * (1 - root);
    ti = ti / 2 * (1 + root);
}

ControlLaw LawOf(const LoopController& c) {
    ControlLaw law;
    if (c.kind == ControllerKind::Pid) {
        const PidBlockSettings& p = c.pid;
        law.k = p.pBnd > 0 ? 1000.0 / p.pBnd : 0;
        law.ti = p.ti * 0.1, law.td = p.td * 0.1, law.nd = 4;
        return law;
    }
    const PidaBlockSettings& p = c.pida;
    double k = p.k, ti = std::max(0.0, p.ti), td = std::max(0.0, p.td);
    if (p.serial) SerialToParallel(k, ti, td);
    const int type = std::clamp(p.irType, 0, 7);
    law.k = k;
    law.ti = (type & 2) ? ti : 0;
    law.td = (type & 1) ? td : 0;
    law.nd = std::max(1.0, p.nd), law.b = p.b, law.c = p.c;
    law.proportional = (type & 4) != 0;
    law.integralLate = true;
    return law;
}

void WriteLoopParameters(SectionWriter& out, const LoopController& c) {
    if (c.kind == ControllerKind::Pid) {
        const std::pair<Key, int> stored[] = {
            {key::PBnd, c.pid.pBnd}, {key::Ti, c.pid.ti}, {key::Td, c.pid.td}, {key::TiW, c.pid.tiW}};
        for (const auto& [k, v] : stored) out.setInteger(k, v);
        out.setFlag(key::WFiltr, !c.pid.ramp);
        return;
    }
    // "Ti" is spelled as the key always was.
    const std::pair<Key, double> values[] = {{key::k, c.pida.k},   {Key{"Ti"}, c.pida.ti},
                                             {key::td, c.pida.td}, {key::nd, c.pida.nd},
                                             {key::b, c.pida.b},   {key::c, c.pida.c}};
    for (const auto& [k, v] : values) out.setDecimal(k, v);
}

LoopController ReadLoopController(const SectionReader& section) {
    const SectionReader in = section.as(Reader::GeneratorCode);
    LoopController c;
    c.kind = in.kind();
    if (c.kind == ControllerKind::Pid) {
        PidBlockSettings& p = c.pid;
        p.pBnd = in.integer(key::PBnd), p.relCool = in.integer(key::RelCool);
        p.ti = in.integer(key::Ti), p.td = in.integer(key::Td);
        p.eGap = in.integer(key::EGap), p.iGap = in.integer(key::IGap), p.dGap = in.integer(key::DGap);
        p.outCycle = in.integer(key::OutCycle);
        p.minU = in.integer(key::UMin), p.maxU = in.integer(key::UMax), p.dMaxU = in.integer(key::dUMax);
        p.minY = in.integer(key::MinY), p.maxY = in.integer(key::MaxY);
        p.tiW = in.integer(key::TiW);
        p.reverse = in.flag(key::AO);
        p.incremental = !in.flag(key::UPosition);
        p.threeStage = !in.flag(key::UAnalog);
        p.ramp = !in.flag(key::WFiltr);
        p.fu = in.integer(key::UF) & 7;
        return c;
    }
    PidaBlockSettings& p = c.pida;
    p.k = in.decimal(key::k), p.ti = in.decimal(key::ti), p.td = in.decimal(key::td);
    p.nd = in.decimal(key::nd), p.b = in.decimal(key::b), p.c = in.decimal(key::c),
    p.tt = in.decimal(key::tt);
    p.hilim = in.decimal(key::hilim), p.lolim = in.decimal(key::lolim), p.ts = in.decimal(key::Ts);
    p.irType = in.integer(key::irtype), p.reverse = in.flag(key::RACT);
    p.serial = in.integer(key::ipid) == 2;
    return c;
}

namespace {

// A whole decimal number with "." (the items are separated by commas); NaN for anything else.
double StrictDecimal(std::string_view text) {
    double v = NAN;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size() ? v : NAN;
}

// Sets one typed parameter; false when the name is not one of the kind's.
bool SetTyped(std::string_view name, double v, LoopController& c) {
    const auto stored = [&](double scale, int lo, int hi) {
        return static_cast<int>(std::lround(std::clamp(v * scale, double(lo), double(hi))));
    };
    if (c.kind == ControllerKind::Pid) {
        PidBlockSettings& p = c.pid;
        if (name == "PBnd") return p.pBnd = stored(10, kMinPBnd, kMaxPBnd), true;
        // K+ = 100 / PBnd; a gain of 0 is the widest band.
        if (name == "K+")
            return p.pBnd = static_cast<int>(std::lround(std::clamp(1000 / v, 1.0, 30000.0))), true;
        if (name == "Ti") return p.ti = stored(10, 0, kMaxTime), true;
        if (name == "Td") return p.td = stored(10, 0, kMaxTime), true;
        if (name == "TiW") return p.tiW = stored(1, 0, 32767), true;
        return false;
    }
    PidaBlockSettings& p = c.pida;
    double* const fields[] = {&p.k, &p.ti, &p.td, &p.nd, &p.b, &p.c, &p.tt};
    const std::string_view names[] = {"k", "ti", "td", "nd", "b", "c", "tt"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (name == names[i]) return *fields[i] = v, true;
    return false;
}

}  // namespace

bool SetpointModificationDiffers(const PidBlockSettings& a, const PidBlockSettings& b) {
    return a.tiW != b.tiW || (a.tiW != 0 && a.ramp != b.ramp);
}

std::string SetpointModificationText(const PidBlockSettings& p) {
    if (p.tiW == 0) return "none";
    return (p.ramp ? "ramp, TiW " : "filter, TiW ") + std::to_string(p.tiW);
}

std::string DescribeParameters(const LoopController& c) {
    if (c.kind == ControllerKind::Pid) {
        const PidBlockSettings& p = c.pid;
        return "PBnd " + FixedText(p.pBnd * 0.1, 1) + " %, Ti " + FixedText(p.ti * 0.1, 1) + " s, Td " +
               FixedText(p.td * 0.1, 1) + " s, TiW " + std::to_string(p.tiW) +
               (p.tiW == 0 ? "" : (p.ramp ? " (ramp)" : " (filter)"));
    }
    const PidaBlockSettings& p = c.pida;
    return "k " + FixedText(p.k, 3) + ", ti " + FixedText(p.ti, 2) + " s, td " + FixedText(p.td, 2) +
           " s, nd " + FixedText(p.nd, 1) + ", b " + FixedText(p.b, 2) + ", c " + FixedText(p.c, 2);
}

std::string ApplyTypedParameters(std::string_view text, LoopController& into) {
    LoopController c = into;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) return "\"" + std::string(item) + "\" is not NAME=VALUE.";
        const std::string_view name = item.substr(0, eq);
        const double v = StrictDecimal(item.substr(eq + 1));
        if (!std::isfinite(v) || v < 0)
            return "The value of \"" + std::string(name) + "\" is not a number of at least 0.";
        if (!SetTyped(name, v, c))
            return "\"" + std::string(name) + "\" is not a parameter of the " +
                   (c.kind == ControllerKind::Pid ? "PID kind (PBnd, K+, Ti, Td, TiW)."
                                                  : "PIDMA kind (k, ti, td, nd, b, c, tt).");
    }
    into = c;
    return {};
}

}  // namespace velmora::tuning
