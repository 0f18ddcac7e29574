#pragma once
// Compiles the project's PLC source files, in the order of the project's file
// list, into a Program: the preprocessor (#ifdef, #if with arithmetic,
// #define/#def, #error, __offset/__indx/__sizeof, _PLCTYPE_), the processes
// (P n ... E n), labels and instructions, and a check of every path for stack
// underflow and overflow and for the depth of subroutine calls.
#include <string>
#include <vector>

#include "softplc/IlProgram.h"
#include "softplc/SymbolTable.h"

namespace velmora::softplc {

struct SourceFile {
    enum class Kind { IecDeclarations, Mnemonic };
    std::string name;  // as the project lists it ("Velmora\\Boiler.orv")
    std::string text;
    Kind kind = Kind::Mnemonic;
};

struct Diagnostic {
    enum class Severity { Information, Warning, Error, Fatal };
    std::string file;
    int line = 0;
    Severity severity = Severity::Error;
    std::string text;
    // "Velmora\Boiler.orv(12): error: text", the way the PLC compiler prints it.
    std::string format() const;
};

struct CompileOptions {
    int plcType = 6;  // _PLCTYPE_: the PLC's series number
};

struct CompileOutput {
    Program program;
    std::vector<Diagnostic> diagnostics;
    bool ok() const;  // no error and no fatal error
};

// The symbols must already hold every declaration of the files (placed).
CompileOutput CompileProgram(const std::vector<SourceFile>& files, const SymbolTable& symbols,
                             const CompileOptions& options = {});

// Parses an integer or real constant of the instruction list ("12", "-5",
// "$7FFF", "#2#0101", "16#FF", "10.", "2.5"); REAL constants come back as
// their IEEE-754 single bits with `real` set.
bool ParseConstant(std::string_view text, std::int32_t& value, bool& real);

}  // namespace velmora::softplc
