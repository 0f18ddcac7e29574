// IEC 61131-3 declarations of a PID controller ("_def.ST"): the T_PID types,
// the working variables with their aliases, and the retained copies.
#include "base/PidStructure.h"
#include "codegen/Emitters.h"

namespace velmora::codegen {

using namespace velmora::plc;  // the PLC structures' member tables

namespace {

template <std::size_t N>
void EmitBitStruct(SourceBuffer& out, std::string_view header, const std::array<std::string_view, N>& bits) {
    out.add(std::string(header));
    for (std::size_t i = 0; i + 1 < N; ++i) out.add("    ", std::string(bits[i]), ",");
    out.add("    ", Pad(bits[N - 1], 12), ": BOOL;");
    out.add("  END_STRUCT;");
}

std::string Comment(const PidMember& m, GeneratorTexts& text) {
    return text(m.comment) + std::string(m.suffix);
}

void EmitTypes(SourceBuffer& out, GeneratorTexts& text) {
    out.add("{$IFNDEF T_PID_}");
    out.add("{$DEFINE T_PID_}");
    out.add("TYPE");
    EmitBitStruct(out, "  T_PID_Det     : STRUCT", kPidDetBits);
    EmitBitStruct(out, "  T_PID_Control : STRUCT", kPidControlBits);
    EmitBitStruct(out, "  T_PID_Status  : STRUCT", kPidStatusBits);
    out.add("  T_PID         : STRUCT");
    for (const auto& m : kPidMembers) {
        std::string decl;
        if (m.name == "Det")
            decl = Pad("Det", 12) + ": T_PID_Det;";
        else if (m.name == "IGap")
            decl = Pad("IGap", 12) + ": INT;";
        else if (m.name == "Control")
            decl = Pad("Control", 12) + ": T_PID_Control;";
        else if (m.name == "Status")
            decl = Pad("Status", 12) + ": T_PID_Status;";
        else
            decl = std::string(m.name) + ",";  // one INT list from MinY to IGap
        out.add("    ", Pad(decl, 28), "\t// ", Comment(m, text));
    }
    out.add("  END_STRUCT;");
    out.add("END_TYPE");
    out.add("{$END_IF}");
}

// One auxiliary group as one added line; `rem` is "" or "_rem".
void EmitAuxGroup(SourceBuffer& out, const ControllerFrame& c, const AuxGroup& g, RegisterCounter& reg,
                  std::string_view rem, GeneratorTexts& text) {
    const std::string& n = c.name;
    const std::string k = Num(g.signal);
    const std::string r(rem);
    switch (g.kind) {
        case AuxGroup::Filter:
            if (reg.placed()) {
                const long long at = reg.take(6);
                out.add("//", text(3294), "\r\n  ", n, "_AuxD", k, r, " AT %R", Num(at),
                        " : ARRAY [0..3] OF BYTE;\r\n  ", n, "_Tau", k, r, "  AT %R", Num(at + 4), " : INT;");
            } else {
                out.add("//", text(3294), "\r\n  ", n, "_AuxD", k, r, " : ARRAY [0..3] OF BYTE;\r\n  ", n,
                        "_Tau", k, r, " : INT;");
            }
            break;
        case AuxGroup::Scaling:
            if (reg.placed()) {
                const long long at = reg.take(8);
                out.add("//", text(3295), "\r\n  ", n, "_X", k, "1", r, " AT %R", Num(at), " : INT;\r\n  ", n,
                        "_X", k, "2", r, " AT %R", Num(at + 2), " : INT;\r\n  ", n, "_Y", k, "1", r, " AT %R",
                        Num(at + 4), " : INT;\r\n  ", n, "_Y", k, "2", r, " AT %R", Num(at + 6), " : INT;");
            } else {
                out.add("//", text(3295), "\r\n  ", n, "_X", k, "1", r, ", ", n, "_X", k, "2", r, ", ", n,
                        "_Y", k, "1", r, ", ", n, "_Y", k, "2", r, " : INT;");
            }
            break;
        case AuxGroup::FurtherInput: {
            // The retained copies say "(remanent)" and lose the blank after the slashes.
            const std::string comment = rem.empty() ? "\t// " + text(3410) + " Y" + k
                                                    : "\t//" + text(3410) + " Y" + k + " " + text(3403);
            if (reg.placed())
                out.add("  ", n, "_input", k, r, " AT %R", Num(reg.take(2)), " : INT; ", comment);
            else
                out.add("  ", n, "_input", k, r, " : INT; ", comment);
            break;
        }
    }
}

// "  name_MinY_rem     AT %R2 : UINT;" or, not placed, "  name_MinY_rem     : UINT;".
std::string RetainedLine(const ControllerFrame& c, std::string_view variable, RegisterCounter& reg, int size,
                         std::string_view type) {
    std::string line = "  " + c.name + Pad(variable, 14);
    if (reg.placed()) line += "AT %R" + Num(reg.take(size)) + " ";
    return line + ": " + std::string(type) + ";";
}

}  // namespace

void EmitPidIecDeclarations(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p,
                            GeneratorTexts& text) {
    const std::string& n = c.name;
    const PidLayout layout = PlanPidLayout(p.groupFlags());
    EmitTypes(out, text);

    out.add("VAR_GLOBAL");
    RegisterCounter reg(c.offReg);
    for (const auto& g : layout.working) EmitAuxGroup(out, c, g, reg, "", text);
    if (reg.placed()) {
        const long long at = reg.take(kPidStructSize + kPidPrivateSize);
        out.add("  ", n, "_struct AT %R", Num(at), " : T_PID;");
        out.add("  ", n, "_AuxPID AT %R", Num(at + kPidStructSize),
                " : ARRAY [0..22] OF BYTE;          \t// ", text(3425));
    } else {
        out.add("  ", n, "_struct : T_PID;");
        out.add("  ", n, "_AuxPID : ARRAY [0..22] OF BYTE;          \t// ", text(3425));
    }
    if (c.alias) {
        for (const auto& m : kPidMembers) {
            const std::string member(m.name);
            out.add("  ", n, Pad("_" + member, 9), " AT ", n, Pad("_struct." + member + ";", 18), "\t// ",
                    Comment(m, text));
        }
    }
    out.add("END_VAR");

    if (!c.remanent) return;
    out.add("VAR_GLOBAL RETAIN");
    RegisterCounter rem(c.offRem);
    if (rem.placed())
        out.add("  ", n, "_Size_rem  AT %R", Num(rem.take(1)), " : USINT;");
    else
        out.add("  ", n, "_Size_rem : USINT;");
    for (const auto& g : layout.retained) EmitAuxGroup(out, c, g, rem, "_rem", text);
    for (const auto& m : kPidMembers) {
        if (m.name == "Status") continue;  // the state word is not kept
        const bool det = m.name == "Det";
        out.add(RetainedLine(c, "_" + std::string(m.name) + "_rem", rem, m.size, det ? "BYTE" : "UINT"),
                "\t// ", Comment(m, text), " ", text(3403));
    }
    out.add(RetainedLine(c, "_Release_rem", rem, 2, "UINT"));
    out.add(RetainedLine(c, "_CRC_rem", rem, 2, "WORD"));
    out.add("END_VAR");
}

}  // namespace velmora::codegen
