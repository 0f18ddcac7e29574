#pragma once
// The soft PLC's retained memory: the bytes of every retained variable (RETAIN,
// #rem) kept in a file beside the project between a stop and the next start,
// so that a warm restart finds them as a PLC with a battery would.
#include <filesystem>

#include "softplc/SoftPlc.h"

namespace velmora::softplc {

class RetainedMemory {
public:
    explicit RetainedMemory(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path& file() const { return file_; }

    // Writes every retained variable of the PLC (one atomic rewrite).
    // Throws IniFileError when the file cannot be written.
    void save(const SoftPlc& plc) const;
    // Copies the saved bytes of each retained variable that the file holds
    // with the same size; returns how many were restored (0 without a file).
    // A damaged value is restored as it is: the program's CRC judges it.
    int restore(SoftPlc& plc) const;

private:
    std::filesystem::path file_;
};

// Zeroes every retained variable (a cold restart).
void ClearRetained(SoftPlc& plc);

}  // namespace velmora::softplc
