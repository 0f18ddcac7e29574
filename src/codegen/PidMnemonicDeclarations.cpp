// Mnemonic declarations of a PID controller ("_def.orv"): #reg working
// registers, the optional _TPID_ structure overlay with #def aliases, and the
// #rem retained copies. Addresses are left to the compiler.
#include "base/PidStructure.h"
#include "codegen/Emitters.h"

namespace velmora::codegen {

using namespace velmora::plc;  // the PLC structures' member tables

namespace {

std::string Comment(const PidMember& m, GeneratorTexts& text) {
    return text(m.comment) + std::string(m.suffix);
}

constexpr std::uint32_t kSignalTitles[4] = {3282, 3283, 3284, 3291};

// Filter and scaling registers of one signal; `dir` is "#reg" or "#rem", `rem` "" or "_rem".
void EmitSignalGroups(SourceBuffer& out, const ControllerFrame& c, const PidLayout& layout,
                      const std::vector<AuxGroup>& groups, int signal, std::string_view dir,
                      std::string_view rem, GeneratorTexts& text) {
    const std::string& n = c.name;
    const std::string k = Num(signal);
    const std::string d(dir);
    const std::string r(rem);
    for (const auto& g : groups) {
        if (g.signal != signal) continue;
        if (g.kind == AuxGroup::Filter)
            out.add(text(3294), "\r\n", d, "\tbyte\t", n, "_AuxD", k, r, "[4]\r\n", d, "\tword\t", n, "_Tau",
                    k, r);
        else if (g.kind == AuxGroup::Scaling)
            out.add(text(3295), "\r\n", d, "\tword\t", n, "_X", k, "1", r, ",\r\n\t\t", n, "_X", k, "2", r,
                    ",\r\n\t\t", n, "_Y", k, "1", r, ",\r\n\t\t", n, "_Y", k, "2", r);
    }
}

// The signal sections under their titles. Input 3 has its title whenever the
// controller is a cascade; the output whenever `outputTitled`.
void EmitSignalSections(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p,
                        const PidLayout& layout, const std::vector<AuxGroup>& groups, bool outputTitled,
                        std::string_view dir, std::string_view rem, GeneratorTexts& text) {
    for (int k = 1; k <= 3; ++k) {
        const PidInput& in = p.input[k - 1];
        bool titled = false;
        if (k == 1) titled = in.filter || in.scaling;
        if (k == 2) titled = p.inputMode > 1 && (in.filter || in.scaling);
        if (k == 3) titled = p.cascade;
        if (!titled) continue;
        out.add(text(kSignalTitles[k - 1]));
        EmitSignalGroups(out, c, layout, groups, k, dir, rem, text);
    }
    if (outputTitled) {
        out.add(text(kSignalTitles[3]));
        EmitSignalGroups(out, c, layout, groups, 4, dir, rem, text);
    }
}

template <std::size_t N>
void EmitBitStruct(SourceBuffer& out, std::string_view header, const std::array<std::string_view, N>& bits) {
    out.add(std::string(header));
    for (std::size_t i = 0; i < N; ++i) out.add("\tbit\t", std::string(bits[i]), (i + 1 < N ? "," : ""));
}

void EmitStructureOverlay(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    const std::string& n = c.name;
    out.add("#ifndef _TPID_");
    EmitBitStruct(out, "#struct _TPID_Det", kPidDetBits);
    EmitBitStruct(out, "#struct _TPID_Control", kPidControlBits);
    EmitBitStruct(out, "#struct _TPID_Status", kPidStatusBits);
    out.add("#struct _TPID_");
    for (const auto& m : kPidMembers) {
        std::string type = "int";
        if (m.name == "Det") type = "_TPID_Det";
        if (m.name == "Control") type = "_TPID_Control";
        if (m.name == "Status") type = "_TPID_Status";
        const std::string member = std::string(m.name) + (m.name == "Status" ? "" : ",");
        out.add("\t", type, "\t", Pad(member, 10), "\t; ", Comment(m, text));
    }
    out.add("#endif");
    out.add("#if __sizeof(_TPID_) != 50");
    out.add("#error f ", text(3456));
    out.add("#endif");
    out.add("#reg _TPID_ ", n, "_struct");
    out.add("#reg\tbyte\t", n, "_AuxPID[23]\t; ", text(3425));
    for (const auto& m : kPidMembers) {
        const std::string member(m.name);
        // Aligns the comments; Det is the one exception to the rule.
        const std::size_t spaces = m.name == "Det" ? 8 : 2 * (8 - member.size());
        out.add("#def\t", n, "_", member, "\t", n, "_struct~", member, Repeat(' ', spaces), "\t; ",
                Comment(m, text));
    }
}

// Without the structure the members are separate registers in the same order,
// so the memory image is the same.
void EmitSeparateRegisters(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    const std::string& n = c.name;
    for (const auto& m : kPidMembers) {
        const std::string member(m.name);
        if (m.name == "Det")
            out.add("#reg\tbyte\t", n, "_", Pad(member, 10), "\t; ", Comment(m, text));
        else if (m.name == "MinY")
            out.add("#reg\tint\t", n, "_", Pad(member + ",", 10), "\t; ", Comment(m, text));
        else if (m.name == "Control")
            out.add("\t\t", n, "_", Pad(member, 10), "\t; ", Comment(m, text));
        else if (m.name == "Status")
            out.add("#reg\tbyte\t", n, "_", Pad(member + ",", 10), "\t; ", Comment(m, text));
        else
            out.add("\t\t", n, "_", Pad(member + ",", 10), "\t; ", Comment(m, text));
    }
    out.add("\t\t", n, "_AuxPID[23]\t; ", text(3425));
}

}  // namespace

void EmitPidMnemonicDeclarations(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p,
                                 GeneratorTexts& text) {
    const std::string& n = c.name;
    const PidLayout layout = PlanPidLayout(p.groupFlags());
    const bool furtherInputs = p.cascade || p.inputMode > 1;

    EmitSignalSections(out, c, p, layout, layout.working, p.analogDeclared && (p.uFiltr || p.uScale), "#reg",
                       "", text);
    if (furtherInputs) {
        out.add(text(3296));
        if (p.cascade) out.add("#reg\tword\t", n, "_input3\t; ", text(3410), " Y3");
        if (p.inputMode > 1) out.add("#reg\tword\t", n, "_input2\t; ", text(3410), " Y2");
    }
    out.add(text(3297));
    if (c.foundStruct)
        EmitStructureOverlay(out, c, text);
    else
        EmitSeparateRegisters(out, c, text);

    if (!c.remanent) return;
    out.add("#rem\tbyte\t", n, "_Size_rem");
    EmitSignalSections(out, c, p, layout, layout.retained, p.analogDeclared || p.uScale, "#rem", "_rem",
                       text);
    if (furtherInputs) {
        out.add(text(3296));
        if (p.cascade) out.add("#rem\tword\t", n, "_input3_rem   \t; ", text(3410), " Y3 ", text(3403));
        if (p.inputMode > 1) out.add("#rem\tword\t", n, "_input2_rem   \t; ", text(3410), " Y2 ", text(3403));
    }
    out.add(text(3297));
    for (const auto& m : kPidMembers) {
        const std::string member(m.name);
        const std::string comment = "\t; " + Comment(m, text) + " " + text(3403);
        if (m.name == "Det")
            out.add("#rem\tbyte\t", n, Pad("_Det_rem", 14), comment);
        else if (m.name == "MinY")
            out.add("#rem\tword\t", n, Pad("_MinY_rem,", 14), comment);
        else if (m.name != "Status")
            out.add("\t\t", n, Pad("_" + member + "_rem,", 14), comment);
    }
    out.add("\t\t", n, "_Release_rem");
    out.add("#rem\tword\t", n, "_CRC_rem");
}

}  // namespace velmora::codegen
