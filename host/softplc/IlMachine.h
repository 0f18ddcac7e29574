#pragma once
// Runs a compiled Program on the soft PLC's memory: one call per process run
// (a scan of P 0, P 41, or a restart process), with the time since that
// process last ran, which the filters and the PID blocks integrate over.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "softplc/IlProgram.h"
#include "softplc/SymbolTable.h"

namespace velmora::softplc {

class SoftPlc;

struct MachineFault {
    std::string text;
    std::int32_t at = -1;  // instruction index
    std::string position;  // "file:line"
};

class Machine {
public:
    // A scan that executes more instructions than this is stopped (a loop
    // that never ends would otherwise hang the PLC).
    static constexpr std::uint64_t kScanBudget = 2'000'000;

    explicit Machine(SoftPlc& plc);

    void load(Program program);
    const Program& program() const { return program_; }
    // The PLC type index (project description) that input modes 2001 to 2033 depend on.
    void setPlcTypeIndex(int index) { plcTypeIndex_ = index; }

    // Runs one process; false when it stopped on a run-time error (fault()).
    bool run(Process process, double dtMs);
    const std::optional<MachineFault>& fault() const { return fault_; }
    void clearFault() { fault_.reset(); }

    // Instructions executed since the machine was made (for measurements).
    std::uint64_t executed() const { return executed_; }

private:
    bool fail(std::int32_t at, std::string text);
    bool stopped(std::int32_t at);  // the scan ran out of its budget
    // The function blocks and memory moves: null, or the text of a run-time fault.
    const char* block(const Instr& i, std::span<std::int32_t> args, double dtMs);
    const char* crc(std::span<std::int32_t> args);
    const char* source(const Instr& i, std::span<std::int32_t> args);
    const char* move(const Instr& i, std::span<std::int32_t> args);
    const char* convert(const Instr& i, std::span<std::int32_t> args, double dtMs);
    const char* pid(std::span<std::int32_t> args, double dtMs);
    const char* pida(std::span<std::int32_t> args, double dtMs);

    // A run of instructions that only its first one can be jumped to, and that
    // only its last one can leave: its stack depth changes by the same steps
    // on every pass, so one check at its start stands for the checks of each
    // instruction. Kept at the index of its first instruction.
    struct Stretch {
        std::uint32_t length = 0;
        std::int32_t lowest = 0;   // the depths at its start that no instruction of it
        std::int32_t highest = 0;  // underflows or overflows
    };
    void findStretches();

    std::array<std::uint8_t*, kAreaCount> areas_{};
    Program program_;
    std::vector<Stretch> stretches_;
    std::optional<MachineFault> fault_;
    int plcTypeIndex_ = 0;
    std::uint64_t executed_ = 0;
    // MOV copies from where the last SRC pointed.
    int sourceArea_ = kRegisterArea;
    std::int32_t sourceOffset_ = -1;
    std::int32_t sourceElement_ = 1;
};

}  // namespace velmora::softplc
