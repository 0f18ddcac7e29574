// Code file of a PID controller (".orv", mnemonic instruction list whatever
// the declarations' dialect): compile checks, restart processes, the cyclic
// process with input conversions, PID call and output, and the subroutines
// that keep the retained copy of the parameters consistent.
#include <cmath>

#include "base/FloatToInt.h"
#include "base/PidStructure.h"
#include "codegen/Emitters.h"

namespace velmora::codegen {

using namespace velmora::plc;  // the PLC structures' member tables

namespace {

class PidCodeWriter {
public:
    PidCodeWriter(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p, GeneratorTexts& text)
        : out_(out), c_(c), p_(p), text_(text), n_(c.name), layout_(PlanPidLayout(p.groupFlags())) {}

    void write() {
        EmitDefinitionsGuard(out_, c_, text_);
        layoutCheck();
        EmitExistenceCheck(out_, p_.input[0].name, text_);
        EmitExistenceCheck(out_, p_.upName, text_);
        if (!p_.analogCode) EmitExistenceCheck(out_, p_.umName, text_);
        EmitRestartProcesses(out_, c_);

        add(p_.p41 ? "\r\nP 41" : "\r\nP 0");
        for (int k = 1; k <= 3; ++k)
            if (p_.inputPresent(k)) inputConversion(k);
        for (int k = 1; k <= 3; ++k)
            if (p_.inputPresent(k)) rangeLimits(k);
        controllerCall();
        output();
        if (c_.remanent) {
            add("\tLD\t", controlBit(kControlBitCHN, "CHN"));  // the control word asks to save the parameters
            add("\tCAD\t", n_, "_L3");
        }
        add(p_.p41 ? "E 41" : "E 0");

        add("\r\nP 60");
        add("\r\n", n_, "_L0:\t", text_(3405));
        initialConversions();
        if (c_.remanent)
            backupHandling();
        else
            directValues();
    }

private:
    template <class... Pieces>
    void add(const Pieces&... pieces) {
        out_.add(pieces...);
    }

    // The controller's own data: alias variables or structure members.
    std::string ref(std::string_view member) const {
        return n_ + (c_.alias ? "_" : "_struct.") + std::string(member);
    }

    std::string statusBit(int number, std::string_view bit) const { return wordBit("Status", number, bit); }
    std::string controlBit(int number, std::string_view bit) const { return wordBit("Control", number, bit); }
    std::string wordBit(std::string_view word, int number, std::string_view bit) const {
        const std::string w(word), b(bit);
        if (c_.iec()) return n_ + (c_.alias ? "_" : "_struct.") + w + "." + b;
        if (c_.foundStruct) return n_ + "_" + w + "~" + b;
        return n_ + "_" + w + "." + Num(number);  // separate registers have no bit names
    }

    void layoutCheck() {
        add("#if (__offset(", n_, "_AuxPID) - __offset(", n_, "_MinY)) != 49");
        add("#error f '", text_(3567), "'");
        add("#endif");
    }

    void conversionMode(const PidInput& in) {
        if (in.cnvMode >= 0) {
            add("\tLD\t", in.cnvText);
            return;
        }
        // Pseudo modes: the input is a real number, scaled and made an integer.
        if (in.cnvMode == -711 || in.cnvMode == -712 || in.cnvMode == -751) {
            add(in.cnvMode == -751 ? "\tLDL\t10." : "\tLDL\t100.");
            add("\tMUF");
            add("\tIFW");
        }
        add("\tLD\t0");
    }

    void inputConversion(int k) {
        const PidInput& in = p_.input[k - 1];
        const int filter = in.filter ? 1 : 0;
        const std::string ks = Num(k);
        add(text_(3287 + k));
        if (in.filter) {
            add(text_(3294));
            add("\tLD __indx(", n_, "_AuXD", ks, ")");
            add("\tLD\t", n_, "_Tau", ks);
        }
        if (in.scaling) {
            add(text_(3295));
            add("\tLD __indx(", n_, "_X", ks, "1)");
            add("\tLD\t", Num(4 * filter + 3));
        } else if (k == 1 && normalizationWithCopy()) {
            add(text_(3303));
            add("\tLD __indx(", n_, "_MinY)");
            add("\tLD\t", Num(4 * filter + 1));
        } else {
            add(text_(k == 1 ? 3302 : 3301));
            add("\tLD\t0");
            add("\tLD\t", Num(4 * filter));
        }
        add("\tLD\t", OperandName(in.name));
        conversionMode(in);
        add("\tCNV");
        if (k == 1)
            add("\tWR\t", (c_.alias ? n_ + "_input1" : n_ + "_struct.Input1"));
        else
            add("\tWR\t", n_, "_input", ks);
    }

    // Input 1 may take the controller's own MinY/MaxY as its range when every
    // input already delivers exactly that range.
    bool normalizationWithCopy() const {
        const PidInput& y1 = p_.input[0];
        const PidInput& y2 = p_.input[1];
        return y1.cnvMode > 0 && y1.min == p_.minY && y1.max == p_.maxY &&
               (p_.inputMode == 1 || (y2.min == p_.minY && y2.max == p_.maxY));
    }

    void rangeLimits(int k) {
        const PidInput& in = p_.input[k - 1];
        const std::string target = k == 1 ? ref("Input1") : n_ + "_Input" + Num(k);
        auto limit = [&](const std::string& flag, std::string_view value) {
            if (flag.empty()) return;
            add("\tLD\t", OperandName(flag));
            add("\tWR\t%S1.0");
            add("\tLD\t", std::string(value));
            add("\tPUT\t", target);
        };
        limit(in.overflow, "$7FFF");
        limit(in.underflow, "$8001");
    }

    void controllerCall() {
        add(text_(3299));
        add(p_.cascade ? "\tLD\t" + n_ + "_input3" : "\tLD\t0");
        add(p_.inputMode > 1 ? "\tLD\t" + n_ + "_input2" : "\tLD\t0");
        add(c_.alias ? "\tLD __indx(" + n_ + "_MinY)" : "\tLD  __indx(" + n_ + "_struct.MinY)");
        add("\tPID");
        add("\tWR\t", ref("Det"));
    }

    void output() {
        add(text_(3305));
        if (!p_.analogCode) {  // three-stage output: one bit up, one down
            add("\tLD\t", statusBit(kStatusBitUH, "UH"));
            add("\tWR\t", OperandName(p_.upName));
            add("\tLD\t", statusBit(kStatusBitUC, "UC"));
            add("\tWR\t", OperandName(p_.umName));
            return;
        }
        const int filter = p_.uFiltr ? 1 : 0;
        if (p_.uFiltr) {
            add(text_(3294));
            add("\tLD __indx(", n_, "_AuXD4)");
            add("\tLD\t", p_.uTau);
        }
        if (p_.uScale) {
            add("\tLD __indx(", n_, "_X41)");
            add("\tLD\t", Num(4 * filter + 3));
            add("\tLD\t", ref("CurOut"));
        } else {
            add("\tLD\t0");
            add("\tLD\t", Num(4 * filter));
            add("\tLD\t", ref("ConOut"));
        }
        add("\tLD\t0");
        add("\tCNV");
        if (p_.a8) add("\tROR\t4");
        if (p_.uReal) {
            add("\tIWF");
            add("\tLDL\t100.");
            add("\tDIF");
        }
        add("\tWR\t", OperandName(p_.upName));
    }

    // Filters start from the current input value instead of zero.
    void initialConversions() {
        for (int k = 1; k <= 3; ++k) {
            const PidInput& in = p_.input[k - 1];
            if (!p_.inputPresent(k) || !in.filter) continue;
            add(text_(3284 + k));
            add(text_(3294));
            add("\tLD __indx(", n_, "_AuXD", Num(k), ")");
            add("\tLD\t0");
            add("\tLD\t0");
            add("\tLD\t4");
            add("\tLD\t", OperandName(in.name));
            conversionMode(in);
            add("\tCNV");
        }
        if (p_.analogCode && p_.uFiltr) {
            add(text_(3292));
            add(text_(3294));
            add("\tLD __indx(", n_, "_AuXD4)");
            add("\tLD\t0");
            add("\tLD\t0");
            add("\tLD\t4");
            add("\tLD\t", ref(p_.uScale ? "CurOut" : "ConOut"));
            add("\tLD\t0");
            add("\tCNV");
        }
    }

    std::string controlWord() const {
        const bool bits[16] = {
            true,               // RC
            p_.ao,              // AO
            p_.a12 || p_.a8,    // A12
            p_.cascade,         // KC
            !p_.analogCode,     // BU
            !p_.uPosition,      // IP
            p_.am,              // AM
            p_.inputMode == 2,  // HR
            !p_.wFiltr,         // RF
            p_.inputMode == 3,  // RIO
            p_.p41,             // R41
            false,              // CHN
            false,              // DUM
            (p_.uf & 1) != 0,   // FU0
            (p_.uf & 2) != 0,   // FU1
            (p_.uf & 4) != 0,   // FU3
        };
        std::string word = "#2#";
        for (int bit = 15; bit >= 0; --bit) word += bits[bit] ? '1' : '0';
        return word;
    }

    struct Value {
        std::string variable;  // after the controller name and "_"
        std::string value;
        bool member;  // a member of T_PID rather than an auxiliary variable
    };

    // The generated parameter values, in the order the code stores them.
    std::vector<Value> parameterValues(const std::vector<AuxGroup>& groups) const {
        std::vector<Value> v;
        for (const auto& g : groups) {
            if (g.signal > 3) continue;
            const PidInput& in = p_.input[g.signal - 1];
            const std::string k = Num(g.signal);
            if (g.kind == AuxGroup::Filter) v.push_back({"Tau" + k, in.tau, false});
            if (g.kind == AuxGroup::Scaling) {
                v.push_back({"X" + k + "1", in.x1, false});
                v.push_back({"X" + k + "2", in.x2, false});
                v.push_back({"Y" + k + "1", in.y1, false});
                v.push_back({"Y" + k + "2", in.y2, false});
            }
        }
        v.push_back({"MinY", Num(p_.minY), true});
        v.push_back({"MaxY", Num(p_.maxY), true});
        v.push_back({"MinU", Num(p_.uMin), true});
        v.push_back({"MaxU", Num(p_.uMax), true});
        v.push_back({"dMaxU", Num(p_.dUMax), true});
        v.push_back({"OutCycle", Num(p_.outCycle), true});
        v.push_back({"DefOut", p_.udefLastU ? "11000" : p_.uDef, true});  // 11000: keep the last action
        v.push_back({"TiW", p_.tiW, true});
        v.push_back({"PBnd", p_.pBnd, true});
        v.push_back({"RelCool", p_.relCool, true});
        v.push_back({"Ti", Num(p_.ti), true});
        v.push_back({"Td", Num(p_.td), true});
        v.push_back({"EGap", Num(p_.eGap), true});
        v.push_back({"DGap", Num(p_.dGap), true});
        v.push_back({"IGap", p_.iGap, true});
        v.push_back({"Control", controlWord(), true});
        for (const auto& g : groups) {
            if (g.signal != 4) continue;
            if (g.kind == AuxGroup::Filter) v.push_back({"Tau4", p_.uTau, false});
            if (g.kind != AuxGroup::Scaling) continue;
            std::string x41 = "0", x42 = "10000", y41 = "0", y42 = "30000";  // word output, 30000 = 100 %
            if (p_.uMeasure)
                x41 = p_.ux1, x42 = p_.uy1, y41 = p_.ux2, y42 = p_.uy2;
            else if (p_.uBipolar)
                x41 = "-10000", x42 = "10000", y41 = "0", y42 = "4095";
            v.push_back({"X41", x41, false});
            v.push_back({"X42", x42, false});
            v.push_back({"Y41", y41, false});
            v.push_back({"Y42", y42, false});
        }
        return v;
    }

    // A structure member written without the retained copy.
    std::string workingMember(std::string_view member) const {
        if (c_.iec()) return n_ + "_struct." + std::string(member);
        if (c_.foundStruct) return n_ + "_struct~" + std::string(member);
        return n_ + "_" + std::string(member);  // separate registers carry the member names
    }

    void startValues() {
        auto target = [&](std::string_view member) {
            return c_.remanent ? n_ + "_" + std::string(member) : workingMember(member);
        };
        if (p_.inputMode == 3) {  // ratio control: gW is the desired ratio itself
            add("\tLD\t", Num(p_.gW));
            add("\tWR\t", target("gW"));
            if (p_.am) {
                add("\tLD\t", p_.output);
                add("\tWR\t", target("Output"));
            }
        } else if (p_.am) {
            const double w = p_.minY + (static_cast<double>(p_.maxY) - p_.minY) * p_.gW * 0.0001;
            add("\tLD\t", Num(TruncateSaturated<std::int16_t>(w)));
            add("\tWR\t", target("gW"));
        } else {
            add("\tLD\t", Num(p_.minY));
            add("\tWR\t", target("gW"));
            add("\tLD\t", p_.output);
            add("\tWR\t", target("Output"));
        }
    }

    void directValues() {
        for (const auto& v : parameterValues(layout_.working)) {
            add("\tLD\t", v.value);
            add("\tWR\t", (v.member ? workingMember(v.variable) : n_ + "_" + v.variable));
        }
        startValues();
        add("\tRET");
        add("E 60");
    }

    void zoneCrc(std::string_view prefix, const std::string& first) {
        add(std::string(prefix), ZoneStart(c_, first));
        add("\tLD\t", n_, "_Size_rem");
        add(CrcInstruction(c_));
        add("\tWR\t", n_, "_CRC_rem");
    }

    // At restart the retained zone is used only when its size, release number
    // and CRC are all valid; otherwise it is filled with the generated values.
    void backupHandling() {
        const std::string size = Num(layout_.retainedSize());
        const std::string first = n_ + layout_.firstRetained();
        const std::string working = n_ + layout_.firstRetainedWorking(c_.alias ? "_Det" : "_struct.Det");

        add(text_(3293));
        add("\r\n\tLD\t", n_, "_Size_rem");
        add("\tEQ\t", size);
        add("\tJMC\t", n_, "_L1");
        add("\tLD\t", n_, "_Release_rem");
        add("\tEQ\t", n_, "_ReleaseNumber");
        add("\tWRC\t%S1.0");
        add("\tLD\t", n_, "_ReleaseNumber");
        add("\tPUT\t", n_, "_Release_rem");
        add("\tLD\t%S1.0");
        add("\tJMD\t", n_, "_L1");
        add(ZoneStart(c_, first));
        add("\tLD\t", n_, "_Size_rem");
        add("\tADD\t2");
        add(CrcInstruction(c_));
        add("\tEQ\t0");
        add("\tJMD\t", n_, "_L2");

        add("\r\n", n_, "_L1:\t", text_(3406));
        add("\tLD\t", size);
        add("\tWR\t", n_, "_Size_rem");
        for (const auto& v : parameterValues(layout_.retained)) {
            add("\tLD\t", v.value);
            add("\tWR\t", n_, "_", v.variable, "_rem");
        }
        zoneCrc("\r\n", first);

        add("\r\n", n_, "_L2:\t", text_(3407));
        add("\tLD\t0");
        add("\tSRC\tbyte ", first);
        add("\tLD\t0");
        add("\tLD\t", n_, "_Size_rem");
        add("\tSUB\t2");
        add("\tMOV\t", working);
        startValues();
        add("\tRET\r\n");

        add(";", Repeat('-', 79));
        add(n_, "_L3:\t", text_(3408));
        add("\tLD\t0");
        add("\tWR\t", controlBit(kControlBitCHN, "CHN"));
        add("\tLD\t", size);
        add("\tWR\t", n_, "_Size_rem");
        add("\tLD\t0");
        add("\tSRC\tbyte ", working);
        add("\tLD\t0");
        add("\tLD\t", n_, "_Size_rem");
        add("\tSUB\t2");
        add("\tMOV\t", first);
        zoneCrc("", first);
        add("\tRET");
        add("E 60");
    }

    SourceBuffer& out_;
    const ControllerFrame& c_;
    const PidSettings& p_;
    GeneratorTexts& text_;
    const std::string& n_;
    const PidLayout layout_;
};

}  // namespace

void EmitPidCode(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p, GeneratorTexts& text) {
    PidCodeWriter(out, c, p, text).write();
}

}  // namespace velmora::codegen
