#include "online/ExchangeSettings.h"

#include "base/IniFile.h"

namespace velmora::online {

ExchangeSettings ReadExchangeSettings(const IniFile& file, const std::string& name) {
    const std::string section = "Regulator " + name;
    ExchangeSettings s;
    s.name = name;
    s.kind = file.readString(section, "Type", "PID") == "PID" ? ControllerKind::PID : ControllerKind::PIDMA;
    s.foundStruct = file.readBool(section, "FoundStruct", false);
    s.inputMode = file.readInteger(section, "InputMode", 1);
    s.cascade = file.readBool(section, "Cascade", false);
    s.analogOutput = file.readBool(section, "UAnalog", true);
    s.y1Name = file.readString(section, "Y1Name", "");
    s.y2Name = file.readString(section, "Y2Name", "");
    s.y3Name = file.readString(section, "Y3Name", "");
    s.upName = file.readString(section, "UpName", "");
    s.umName = file.readString(section, "UmName", "");
    s.addOutName = file.readString(section, "AddOutName", "");
    if (s.kind == ControllerKind::PIDMA) {
        s.input = file.readString(section, "Input", "");
        s.output = file.readString(section, "Output", "");
    }
    s.maxY = file.readInteger(section, "MaxY", 10000);
    s.minY = file.readInteger(section, "MinY", 0);
    return s;
}

std::vector<SymbolRequest> SymbolsToLookUp(const ExchangeSettings& s) {
    std::vector<SymbolRequest> out;
    const std::string& n = s.name;
    if (s.kind == ControllerKind::PID) {
        const std::string member = n + (s.foundStruct ? "_struct~" : "_");
        std::string first = member + "Det";
        if (s.hasInput2()) first = n + "_Input2";
        if (s.hasInput3()) first = n + "_Input3";
        out.push_back({ItemRole::PidBlock, first, {}});
        const std::pair<ItemRole, const char*> members[] = {
            {ItemRole::PBnd, "PBnd"}, {ItemRole::RelCool, "RelCool"}, {ItemRole::Ti, "Ti"},
            {ItemRole::Td, "Td"},     {ItemRole::EGap, "EGap"},       {ItemRole::DGap, "DGap"},
            {ItemRole::IGap, "IGap"}, {ItemRole::TiW, "Tiw"},         {ItemRole::Gw, "Gw"},
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
            {ItemRole::Dv, "_dv"},     {ItemRole::Sp, "_sp"},     {ItemRole::Hv, "_hv"},     {ItemRole::Man, "_MAN"},
            {ItemRole::Tune, "_TUNE"}, {ItemRole::Tbrk, "_TBRK"}, {ItemRole::Taff, "_TAFF"}, {ItemRole::Te, "_TE"},
            {ItemRole::K, "_k"},       {ItemRole::Pk, "_pk"},     {ItemRole::Changed, "_CHANGED"},
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
