// Declarations of a PIDMA controller in both dialects: the T_PIDA / _TPIDA_
// structure, its working data and aliases, the 444-byte private area and the
// retained copy of the parameter range Ts .. ipid.
#include "base/PidaStructure.h"
#include "codegen/Emitters.h"

namespace velmora::codegen {

using namespace velmora::plc;  // the PLC structures' member tables

namespace {

std::string_view IecType(const PidaMember& m) {
    switch (m.type) {
        case PidaType::Real:
            return "REAL";
        case PidaType::Dint:
            return "DINT";
        case PidaType::Byte:
            return "BYTE";
        case PidaType::Array:
            return m.iecArray;
    }
    return {};
}

std::string_view MnemonicType(const PidaMember& m) {
    switch (m.type) {
        case PidaType::Real:
            return "float";
        case PidaType::Byte:
            return "byte";
        default:
            return "long";  // DINT, and the DWORD and DINT arrays
    }
}

bool InRetainedRange(const PidaMember& m) {
    return m.offset >= kPidaParameterFirst && m.offset < kPidaParameterFirst + kPidaParameterSize;
}

// The comments of the type block: the structure's own table, except that pc has none there.
std::uint32_t TypeComment(const PidaMember& m) {
    return m.name == "pc" ? 0 : m.comment;
}

// The register lists repeat lolim's comment at dz.
std::uint32_t RegisterComment(const PidaMember& m) {
    return m.name == "dz" ? 3353 : m.comment;
}

std::string CommentText(std::uint32_t id, GeneratorTexts& text) {
    return id ? text(id) : std::string();
}

// ---------------------------------------------------------------- IEC dialect

void EmitIecTypes(SourceBuffer& out, GeneratorTexts& text) {
    out.add("{$IFNDEF T_PIDA_}");
    out.add("{$DEFINE T_PIDA_}");
    out.add("TYPE");
    out.add("  T_PIDA : STRUCT");
    for (std::size_t i = 0; i < kPidaMembers.size(); ++i) {
        const PidaMember& m = kPidaMembers[i];
        const std::string member(m.name);
        if (m.type == PidaType::Array) {
            const bool last = i + 1 == kPidaMembers.size();
            out.add("    ", Pad(member, 9), ": ", std::string(m.iecArray), ";", (last ? "\r\n" : ""));
            continue;
        }
        const bool lastOfRun = i + 1 == kPidaMembers.size() || kPidaMembers[i + 1].type != m.type;
        const std::string comment = "\t//" + CommentText(TypeComment(m), text);
        if (lastOfRun)
            out.add("    ", Pad(member, 9), ": ", std::string(IecType(m)), "; ", comment);
        else
            out.add("    ", Pad(member + ",", 17), comment);
    }
    out.add("  END_STRUCT;");
    out.add("END_TYPE");
    out.add("{$END_IF}\r\n");
}

std::string IecAlias(const ControllerFrame& c, const PidaMember& m, GeneratorTexts& text) {
    const std::string member(m.name);
    std::string line = "  " + c.name + Pad("_" + member, 9) + "AT " + c.name;
    if (m.name == "ips" || m.name == "dz" || m.name == "icotype") return line + "_struct." + member + ";";
    return line + Pad("_struct." + member + ";", 14) + "\t//" + CommentText(m.comment, text);
}

// One added line per group, each group after its title; the first group's
// title stands above VAR_GLOBAL.
void EmitIecAliases(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    int group = kPidInputs;
    std::string block;
    for (const auto& m : kPidaMembers) {
        if (m.reserved) continue;
        if (m.group != group) {
            out.add(block);
            block.clear();
            group = m.group;
            out.add("//", text(kPidaGroupTitles[m.group]));
        }
        if (!block.empty()) block += "\r\n";
        block += IecAlias(c, m, text);
    }
    out.add(block);
}

void EmitIecRetained(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    const std::string& n = c.name;
    RegisterCounter rem(c.offRem);
    auto line = [&](std::string_view variable, int size, std::string_view type) {
        std::string l = "  " + n + Pad(variable, 13);
        if (rem.placed()) l += "AT %R" + Num(rem.take(size)) + " ";
        return l + ": " + std::string(type) + ";";
    };
    out.add("VAR_GLOBAL RETAIN");
    out.add(line("_Size_rem", 1, "USINT"));
    int group = -1;
    for (const auto& m : kPidaMembers) {
        if (!InRetainedRange(m)) continue;
        if (m.group != group) {
            group = m.group;
            out.add("//", text(kPidaGroupTitles[m.group]));
        }
        std::string l = line("_" + std::string(m.name) + "_rem", m.size, IecType(m));
        if (!m.reserved && m.comment) {
            l += " \t//" + text(m.comment);
            if (m.name != "lolim") l += " " + text(3403);
        }
        out.add(l);
    }
    out.add(line("_Release_rem", 2, "UINT"));
    out.add(line("_CRC_rem", 2, "UINT"));
    out.add("END_VAR");
}

// ----------------------------------------------------------- mnemonic dialect

void EmitMnemonicStruct(SourceBuffer& out, GeneratorTexts& text) {
    out.add("#ifndef _TPIDA_");
    out.add("#struct _TPIDA_");
    for (std::size_t i = 0; i < kPidaMembers.size(); ++i) {
        const PidaMember& m = kPidaMembers[i];
        const bool last = i + 1 == kPidaMembers.size();
        const std::string member = std::string(m.mnemonic) + (last ? "" : ",");
        const std::size_t width = m.type == PidaType::Real ? 12 : 13;
        const std::uint32_t comment = m.reserved ? 0 : TypeComment(m);
        out.add("\t", std::string(MnemonicType(m)), "\t", Pad(member, width), "\t;",
                CommentText(comment, text), (last ? "\r\n" : ""));
    }
    out.add("#endif\r\n");
}

// Register lines of the members a filter lets through, group by group under
// their titles. A new register line starts at every title, type change and
// reserved member; continuation members follow on "\t\t" lines.
template <class Filter>
void EmitRegisterList(SourceBuffer& out, const ControllerFrame& c, std::string_view directive,
                      std::string_view rem, bool aligned, Filter include, GeneratorTexts& text) {
    const std::string& n = c.name;
    const std::string dir(directive);
    std::vector<const PidaMember*> members;
    for (const auto& m : kPidaMembers)
        if (include(m)) members.push_back(&m);

    int group = -1;
    bool firstLine = true;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const PidaMember& m = *members[i];
        const PidaMember* prev = i > 0 ? members[i - 1] : nullptr;
        const PidaMember* next = i + 1 < members.size() ? members[i + 1] : nullptr;
        if (static_cast<int>(m.group) != group) {
            group = m.group;
            out.add(text(kPidaGroupTitles[m.group]));
            prev = nullptr;  // a title ends the register line
        }
        const std::string type(MnemonicType(m));
        if (m.reserved) {
            // Spare bytes are bare registers; spare arrays keep the column and an empty comment.
            if (m.type == PidaType::Array)
                out.add(dir, "\t", type, "\t", n, Pad("_" + std::string(m.mnemonic) + std::string(rem), 14),
                        "\t;\r\n");
            else
                out.add(dir, "\t", type, "\t", n, "_", std::string(m.mnemonic), std::string(rem));
            firstLine = false;
            continue;
        }
        const bool continues = prev && !prev->reserved && prev->type == m.type;
        const bool comma = next && !next->reserved && next->type == m.type && next->group == m.group;
        std::string head;
        if (continues)
            head = "\t\t";
        else
            head = dir + "\t" + (aligned && firstLine ? "aligned\t" : "") + type + "\t";
        firstLine = false;
        // Two columns in the working list are one space wider than the rest.
        const bool wide = rem.empty() && (m.name == "icotype" || m.name == "dmv");
        std::string line =
            head + n +
            Pad("_" + std::string(m.mnemonic) + std::string(rem) + (comma ? "," : ""), wide ? 15 : 14) +
            "\t;";
        if (const std::uint32_t comment = RegisterComment(m)) {
            line += text(comment);
            if (!rem.empty()) line += " " + text(3403);
        }
        // The retained general parameters end with a blank line before the spare byte.
        if (!rem.empty() && m.name == "CHANGED") line += "\r\n";
        out.add(line);
    }
}

}  // namespace

void EmitPidmaIecDeclarations(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    const std::string& n = c.name;
    EmitIecTypes(out, text);
    out.add("//", text(kPidaGroupTitles[kPidInputs]));
    out.add("VAR_GLOBAL");
    RegisterCounter reg(c.offReg);
    if (reg.placed())
        out.add("  ", n, "_struct AT %R", Num(reg.take(kPidaStructSize)), " : T_PIDA;");
    else
        out.add("  ", n, "_struct : T_PIDA;");
    if (c.alias) EmitIecAliases(out, c, text);
    if (reg.placed())
        out.add("  ", n, "_reserved AT %R", Num(reg.take(kPidaPrivateSize)),
                " : ARRAY [0..443] OF BYTE;      \t//", text(3363), "\r\n");
    else
        out.add("  ", n, "_reserved : ARRAY [0..443] OF BYTE;      \t//", text(3363), "\r\n");
    out.add("END_VAR");
    if (c.remanent) EmitIecRetained(out, c, text);
}

void EmitPidmaMnemonicDeclarations(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    const std::string& n = c.name;
    if (c.foundStruct) EmitMnemonicStruct(out, text);
    EmitRegisterList(
        out, c, "#reg", "", true, [](const PidaMember&) { return true; }, text);
    if (c.foundStruct) {
        out.add("#if __sizeof(_TPIDA_) != 226");
        out.add("#error f ", text(3456));
        out.add("#endif");
        // The structure is laid over the registers from name_dv on.
        out.add("#reg _TPIDA_ __indx(", n, "_dv), ", n, "_struct");
    }
    out.add("#reg\tbyte\t", n, "_reserved[444]\t;", text(3363), "\r\n");
    if (!c.remanent) return;
    out.add("#rem\tbyte\t", n, "_Size_rem");
    EmitRegisterList(out, c, "#rem", "_rem", false, InRetainedRange, text);
    out.add("#rem\tword\t", n, "_Release_rem,");
    out.add("\t\t", n, "_CRC_rem");
    if (CrcMacroDue(c)) out.add(CrcMacro(text));
}

}  // namespace velmora::codegen
