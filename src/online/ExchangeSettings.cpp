#include "online/ExchangeSettings.h"

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"

namespace velmora::online {

ExchangeSettings ReadExchangeSettings(const IniFile& file, const std::string& name) {
    const SectionReader in(file, ControllerSection(name), Reader::OnlineView);
    ExchangeSettings s;
    s.name = name;
    s.present = !SectionReader(file, ControllerSection(name), Reader::Lists).text(key::Name).empty();
    s.kind = in.kind();
    s.foundStruct = in.flag(key::FoundStruct);
    s.addOutName = in.text(key::AddOutName);
    if (s.kind == ControllerKind::Pidma) {
        s.input = in.text(key::Input);
        s.output = in.text(key::Output);
        return s;
    }
    s.inputMode = in.integer(key::InputMode);
    s.cascade = in.flag(key::Cascade);
    s.analogOutput = in.flag(key::UAnalog);
    s.realOutput = in.flag(key::UReal);
    s.y1Name = in.text(key::Y[0].name);
    s.y2Name = in.text(key::Y[1].name);
    s.y3Name = in.text(key::Y[2].name);
    s.upName = in.text(key::UpName);
    s.umName = in.text(key::UmName);
    s.maxY = in.integer(key::MaxY);
    s.minY = in.integer(key::MinY);
    return s;
}

std::vector<SymbolRequest> SymbolsToLookUp(const ExchangeSettings& s) {
    std::vector<SymbolRequest> out;
    const std::string& n = s.name;
    if (s.kind == ControllerKind::Pid) {
        const std::string member = n + (s.foundStruct ? "_struct~" : "_");
        std::string first = member + "Det";
        if (s.hasInput2()) first = n + "_Input2";
        if (s.hasInput3()) first = n + "_Input3";
        out.push_back({ItemRole::PidBlock, first, {}});
        const std::pair<ItemRole, const char*> members[] = {
            {ItemRole::PBnd, "PBnd"},     {ItemRole::RelCool, "RelCool"}, {ItemRole::Ti, "Ti"},
            {ItemRole::Td, "Td"},         {ItemRole::EGap, "EGap"},       {ItemRole::DGap, "DGap"},
            {ItemRole::IGap, "IGap"},     {ItemRole::TiW, "Tiw"},         {ItemRole::Gw, "Gw"},
            {ItemRole::Output, "Output"}, {ItemRole::Control, "Control"},
        };
        for (const auto& [role, suffix] : members) out.push_back({role, member + suffix, {}});
        out.push_back({ItemRole::Y1, s.y1Name, VariablePage::ControlledVariable1});
        if (s.hasInput2()) out.push_back({ItemRole::Y2, s.y2Name, VariablePage::ControlledVariable2});
        if (s.hasInput3()) out.push_back({ItemRole::Y3, s.y3Name, VariablePage::ControlledVariable3});
        out.push_back({ItemRole::Up, s.upName, VariablePage::Output});
        // An analog output has no minus side, and its UmName is not in use.
        if (s.hasMinusOutput()) out.push_back({ItemRole::Um, s.umName, VariablePage::Output});
    } else {
        const std::pair<ItemRole, const char*> members[] = {
            {ItemRole::Dv, "_dv"},     {ItemRole::Sp, "_sp"},           {ItemRole::Hv, "_hv"},
            {ItemRole::Man, "_MAN"},   {ItemRole::Tune, "_TUNE"},       {ItemRole::Tbrk, "_TBRK"},
            {ItemRole::Taff, "_TAFF"}, {ItemRole::Te, "_TE"},           {ItemRole::K, "_k"},
            {ItemRole::Pk, "_pk"},     {ItemRole::Changed, "_CHANGED"},
        };
        for (const auto& [role, suffix] : members) out.push_back({role, n + suffix, {}});
        out.push_back({ItemRole::Input, s.input, VariablePage::Pidma});
        out.push_back({ItemRole::PidmaOutput, s.output, VariablePage::Pidma});
    }
    // No additional output is configured while its name is empty.
    if (s.hasAdditionalOutput()) out.push_back({ItemRole::AddOut, s.addOutName, VariablePage::Simulation});
    return out;
}

}  // namespace velmora::online
