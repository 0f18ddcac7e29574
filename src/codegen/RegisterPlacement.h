#pragma once
// Where the controller data lies: the auxiliary groups of a PID controller
// (working and retained), the size of its retained zone, and the %R address
// counters of the placed declarations.
#include <string>
#include <vector>

namespace velmora::codegen {

// Hands out %R addresses from a start register; a negative start means the
// compiler places the variables and nothing is counted.
// Counted in 64 bits: a start near the top of the int range only prints
// addresses past it, which the PLC compiler then refuses.
class RegisterCounter {
public:
    explicit RegisterCounter(long long start) : next_(start) {}
    bool placed() const { return next_ >= 0; }
    long long next() const { return next_; }
    // The current address; the counter then moves on by `size` bytes.
    long long take(int size) {
        const long long at = next_;
        next_ += size;
        return at;
    }

private:
    long long next_;
};

// One auxiliary variable group of a PID controller. Signals 1 to 3 are the
// inputs, 4 the output.
struct AuxGroup {
    enum Kind { Filter, Scaling, FurtherInput } kind;
    int signal;

    int size() const { return kind == Filter ? 6 : kind == Scaling ? 8 : 2; }
    // The first variable of the group, as the declarations name it (after the controller name).
    std::string firstVariable() const;
    bool operator==(const AuxGroup&) const = default;
};

// The settings that decide which groups a PID controller declares.
struct PidGroupFlags {
    int inputMode = 1;
    bool cascade = false;
    bool filter[4] = {};   // Y1Filtr, Y2Filtr, Y3Filtr, UFiltr
    bool scaling[4] = {};  // Y1Measure, Y2Measure, Y3Measure, UScale
    bool analogOutput = true;

    bool inputPresent(int signal) const {
        return signal == 1 || (signal == 2 && inputMode > 1) || (signal == 3 && cascade);
    }
};

struct PidLayout {
    // In memory order: filter and scaling groups of inputs 1..3 and the
    // output, then the further inputs Y3 and Y2.
    std::vector<AuxGroup> working;
    std::vector<AuxGroup> retained;

    // Bytes from the first retained variable through the release copy.
    int retainedSize() const;
    // The first retained variable after the size byte, and its working twin,
    // both after the controller name ("_AuxD1_rem" / "_AuxD1"); the structure's
    // Det when no auxiliary group is retained ("_Det_rem" / detWorking).
    std::string firstRetained() const;
    std::string firstRetainedWorking(const std::string& detWorking) const;
};

PidLayout PlanPidLayout(const PidGroupFlags& flags);

// Bytes the retained image counts besides the auxiliary groups: Det, 24 words
// (MinY .. IGap and Control) and the release number.
inline constexpr int kPidRetainedFixedSize = 1 + 24 * 2 + 2;

// Retained zone of a PIDMA controller: the parameter range Ts .. ipid plus the
// release number.
inline constexpr int kPidaRetainedSize = 92;

}  // namespace velmora::codegen
