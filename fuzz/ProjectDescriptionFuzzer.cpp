// The project description, and the address texts of its variables through
// the operand parser and the soft PLC's symbol table.
#include "FuzzSupport.h"
#include "base/OperandParser.h"
#include "controllers/ProjectDescription.h"
#include "softplc/SymbolTable.h"

using namespace velmora;

VELMORA_FUZZ_TARGET(ProjectDescription) {
    const auto project = fuzz::Fresh("project_description");
    fuzz::WriteScratch(project / "fuzz.oprj", fuzz::Bytes(data, size));
    const auto description = LoadProjectDescription(project);
    fuzz::Expect(description.has_value(), "the description was not found");
    for (const auto& plc : description->plcs) {
        fuzz::Expect(description->findPlc(plc.name) != nullptr, "a listed PLC cannot be found");
        softplc::SymbolTable symbols;
        for (const auto& [name, address] : plc.variables) {
            plc::ParseOperand(address);
            symbols.addVariable(name, address);
        }
        symbols.build();
        for (const auto& [name, address] : plc.variables)
            if (const auto text = symbols.lookup(name))
                fuzz::Expect(plc::ParseOperand(*text).has_value(),
                             "a look-up the operand parser cannot read");
    }
    return 0;
}
