// The open PLC's variables: the look-up that turns a symbol into its
// address and the variable selection dialog.
#include "host/HostIde.h"

#include "base/OperandParser.h"
#include "base/Strings.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

// ---- IYantVariables ----

std::vector<HostIde::Variable> HostIde::variables() const {
    if (variableList) return variableList();
    std::vector<Variable> out;
    if (const PlcDescription* plc = currentPlcDescription()) {
        for (const auto& [name, text] : plc->variables) {
            const std::size_t space = text.rfind(' ');
            if (space == std::string::npos)
                out.push_back({name, "", text});
            else
                out.push_back({name, text.substr(0, space), text.substr(space + 1)});
        }
    }
    return out;
}

HRESULT HostIde::SelectVariable(const char* preset, char** chosen) {
    if (const HRESULT f = injected("SelectVariable"); FAILED(f)) return f;
    if (!chosen) return E_POINTER;
    *chosen = nullptr;
    note("SelectVariable " + Str(preset));
    if (!variablePicker) return S_FALSE;
    const auto name = variablePicker(variables(), Str(preset));
    if (!name) return S_FALSE;
    return Give(*name, chosen);
}

HRESULT HostIde::TranslateSymbol(const char* name, char** address) {
    if (const HRESULT f = injected("TranslateSymbol"); FAILED(f)) return f;
    if (!address) return E_POINTER;
    *address = nullptr;
    const std::string symbol = Str(name);
    if (const PlcDescription* plc = currentPlcDescription()) {
        for (const auto& [variable, text] : plc->variables) {
            if (!EqualNoCase(variable, symbol)) continue;
            // The plug-in reads the answer with the operand parser, which knows
            // sized keywords only: a bit's "BOOL" is dropped, and an address it
            // cannot read is no answer.
            std::string_view answer = text;
            while (!answer.empty() && answer.front() == ' ') answer.remove_prefix(1);
            if (answer.size() > 5 && EqualNoCase(std::string(answer.substr(0, 5)), "BOOL "))
                answer.remove_prefix(5);
            if (plc::ParseOperand(answer)) return Give(std::string(answer), address);
        }
    }
    if (extraSymbols) {
        if (auto text = extraSymbols(symbol); text && plc::ParseOperand(*text)) return Give(*text, address);
    }
    return S_FALSE;
}

}  // namespace velmora::host
