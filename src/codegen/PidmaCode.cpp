// Code file of a PIDMA controller: the PIDA call once per cycle, the initial
// values, and the retained copy of the parameter range Ts .. ipid guarded by
// size, release number and CRC.
#include "base/PidaStructure.h"
#include "codegen/Emitters.h"

namespace velmora::codegen {

using namespace velmora::plc;  // the PLC structures' member tables

namespace {

class PidmaCodeWriter {
public:
    PidmaCodeWriter(SourceBuffer& out, const ControllerFrame& c, const PidaSettings& p, GeneratorTexts& text)
        : out_(out), c_(c), p_(p), text_(text), n_(c.name) {}

    void write() {
        EmitDefinitionsGuard(out_, c_, text_);
        add("#if _PLCTYPE_ < 6");
        add("\t#error f 'Instrukce PIDA není danou centralní jednotkou podporována!'");
        add("#endif");
        add("#if (__offset(", n_, "_reserved) - __offset(", ref("dv"), ")) != 226");
        add("#error f '", text_(3567), "'");
        add("#endif");
        EmitExistenceCheck(out_, p_.inputCheck, text_);
        EmitExistenceCheck(out_, p_.outputCheck, text_);
        EmitRestartProcesses(out_, c_);
        cyclicProcess();
        initialisation();
    }

private:
    template <class... Pieces>
    void add(const Pieces&... pieces) {
        out_.add(pieces...);
    }

    std::string ref(std::string_view member) const {
        return n_ + (c_.alias ? "_" : "_struct.") + std::string(member);
    }

    void cyclicProcess() {
        add("\r\nP 0");
        if (c_.remanent) {  // parameters changed online are saved to the retained zone
            add("\tLD\t", ref("CHANGED"));
            add("\tCAD\t", n_, "_L3");
        }
        add("\tLD\t", OperandName(p_.input));
        add("\tWR\t", ref("pv"));
        add("\tLD\t", ref("mv"), "\r\n\tWR\t", ref("tv"), "\r\n\tLD __indx(", ref("dv"), ")");
        add("\tPIDA");
        add("\tLDC\t", ref("MAN"), ".0");  // manual mode: the output follows the manual value
        add("\tWR\t%S1.0");
        add("\tLD\t", ref("mv"));
        add("\tPUT\t", ref("hv"));
        add("\tWR\t", OperandName(p_.output));
        add("E 0");
    }

    // "\tWR\t" target, padded so the comments line up.
    std::string store(const std::string& target, std::size_t width, std::uint32_t comment) {
        std::string suffix = target.substr(n_.size());
        return "\tWR\t" + n_ + Pad(suffix, std::max(width, suffix.size() + 1)) + "\t;" + text_(comment);
    }

    std::string parameterTarget(std::string_view member) const {
        return c_.remanent ? n_ + "_" + std::string(member) + "_rem" : ref(member);
    }

    struct Parameter {
        std::string_view member;
        const std::string* value;
        bool real;
        std::uint32_t comment;
    };

    void parameters(std::initializer_list<Parameter> list, bool lastBreak) {
        std::size_t i = 0;
        for (const auto& p : list) {
            add("\tLDL\t", (p.real ? RealConstant(*p.value) : *p.value));
            std::string line = store(parameterTarget(p.member), kParameterColumn, p.comment);
            if (lastBreak && ++i == list.size()) line += "\r\n";
            add(line);
        }
    }

    void zoneCrc(std::string_view prefix) {
        add(std::string(prefix), ZoneStart(c_, n_ + "_Ts_rem"));
        add("\tLD\t", n_, "_Size_rem");
        add(CrcInstruction(c_));
        add("\tWR\t", n_, "_CRC_rem");
    }

    void initialisation() {
        add("\r\nP 60");
        add("\r\n", n_, "_L0:\t", text_(3405));
        add("\r\n", text_(3402));
        add("\tLDL\t", RealConstant(p_.hv));
        add(store(ref("hv"), 11, 3323));
        add("\tLDL\t", RealConstant(p_.sp));
        add(store(ref("sp"), 11, 3320));
        add(p_.am ? "\tLD\t0" : "\tLD\t1");
        add(store(ref("MAN"), 11, 3324));

        const std::string size = Num(kPidaRetainedSize);
        if (c_.remanent) {
            add(text_(3293));
            add("\tLD\t", n_, "_Size_rem");
            add("\tEQ\t", size);
            add("\tJMC\t", n_, "_L1");
            add("\tLD\t", n_, "_Release_rem");
            add("\tEQ\t", n_, "_ReleaseNumber");
            add("\tWRC\t%S1.0");
            add("\tLD\t", n_, "_ReleaseNumber");
            add("\tPUT\t", n_, "_Release_rem");
            add("\tLD\t%S1.0");
            add("\tJMD\t", n_, "_L1");
            add(ZoneStart(c_, n_ + "_Ts_rem"));
            add("\tLD\t", n_, "_Size_rem");
            add("\tADD\t2");
            add(CrcInstruction(c_));
            add("\tEQ\t0");
            add("\tJMD\t", n_, "_L2");
            add("\r\n", n_, "_L1:\t", text_(3406));
            add("\tLD\t", size);
            add("\tWR\t", n_, "_Size_rem");
        }

        parameters({{"Ts", &p_.ts, true, 3364}}, false);
        add("\tLD\t1");  // the PIDA instruction takes the parameters over
        add(store(parameterTarget("CHANGED"), kParameterColumn, 3365));
        add("\r\n", text_(3398));
        parameters({{"irType", &p_.irType, false, 3340},
                    {"RACT", &p_.ract, false, 3341},
                    {"k", &p_.k, true, 3343},
                    {"ti", &p_.ti, true, 3344},
                    {"td", &p_.td, true, 3345},
                    {"nd", &p_.nd, true, 3346},
                    {"b", &p_.b, true, 3347},
                    {"c", &p_.c, true, 3348},
                    {"tt", &p_.tt, true, 3351},
                    {"hilim", &p_.hilim, true, 3352},
                    {"lolim", &p_.lolim, true, 3353}},
                   true);
        add(text_(3399));
        parameters({{"itType", &p_.itType, false, 3354},
                    {"iainf", &p_.iainf, false, 3355},
                    {"DGC", &p_.dgc, false, 3356},
                    {"tdg", &p_.tdg, true, 3357},
                    {"tn", &p_.tn, true, 3358},
                    {"amp", &p_.amp, true, 3359},
                    {"dy", &p_.dy, true, 3360},
                    {"ispeed", &p_.ispeed, false, 3361},
                    {"ipid", &p_.ipid, false, 3362}},
                   true);

        if (!c_.remanent) {
            add("\tRET\r\n");
            add("E 60");
            return;
        }
        zoneCrc("\r\n");
        add("\r\n", n_, "_L2:\t", text_(3407));
        add("\tLD\t0");
        add("\tSRC\tbyte ", n_, "_Ts_rem");
        add("\tLD\t0");
        add("\tLD\t", n_, "_Size_rem");
        add("\tSUB\t2");
        add("\tMOV\t", ref("Ts"));
        add("\tRET\r\n");
        add(";", Repeat('-', 79));
        add(n_, "_L3:\t", text_(3408));
        add("\tLD\t", size);
        add("\tWR\t", n_, "_Size_rem");
        add("\tLD\t0");
        add("\tSRC\tbyte ", ref("Ts"));
        add("\tLD\t0");
        add("\tLD\t", n_, "_Size_rem");
        add("\tSUB\t2");
        add("\tMOV\t", n_, "_Ts_rem");
        zoneCrc("");
        add("\tRET");
        add("E 60");
    }

    // Width of the parameter targets after the controller name: fits
    // "_struct.CHANGED" and "_CHANGED_rem" with a blank to spare.
    static constexpr std::size_t kParameterColumn = 16;

    SourceBuffer& out_;
    const ControllerFrame& c_;
    const PidaSettings& p_;
    GeneratorTexts& text_;
    const std::string& n_;
};

}  // namespace

void EmitPidmaCode(SourceBuffer& out, const ControllerFrame& c, const PidaSettings& p, GeneratorTexts& text) {
    PidmaCodeWriter(out, c, p, text).write();
}

}  // namespace velmora::codegen
