#pragma once
// The IDE stand-in's soft PLC: byte-addressed memory areas, the symbol table
// of the project, the request function of the communication loop (commands
// 0x0B read and 0x0C write, in the item wire format), and the PLC state.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/com/CommLoop.h"
#include "base/com/PlcLink.h"
#include "softplc/SymbolTable.h"

namespace velmora::softplc {

enum class PlcMode { Halt, Run, Error };

// Result codes of the request function: facility 4, described by describe().
namespace errors {
constexpr std::int32_t kNotConnected = static_cast<std::int32_t>(0x80040201u);
constexpr std::int32_t kUnknownCommand = static_cast<std::int32_t>(0x80040202u);
constexpr std::int32_t kBadLength = static_cast<std::int32_t>(0x80040203u);
constexpr std::int32_t kBadArea = static_cast<std::int32_t>(0x80040204u);
constexpr std::int32_t kOutOfRange = static_cast<std::int32_t>(0x80040205u);
constexpr std::int32_t kResponseTooSmall = static_cast<std::int32_t>(0x80040206u);
constexpr std::int32_t kBadArgument = static_cast<std::int32_t>(0x80040207u);
}  // namespace errors

// One item of a request as the PLC received it.
struct ReceivedItem {
    int area = 0;
    int offset = 0;
    std::vector<std::uint8_t> data;  // written bytes; empty in a read
    int count = 0;
    friend bool operator==(const ReceivedItem&, const ReceivedItem&) = default;
};

struct ReceivedRequest {
    std::int32_t command = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<ReceivedItem> items;
    std::int32_t result = 0;
};

class SoftPlc : public PlcControl, public PlcErrorDescriber {
public:
    SoftPlc();
    ~SoftPlc() override;
    SoftPlc(const SoftPlc&) = delete;
    SoftPlc& operator=(const SoftPlc&) = delete;

    // Memory of an area code (0 X/I, 1 Y/Q, 2 S, 3 R/M, 4 T), 64 KiB each.
    std::span<std::uint8_t> area(int code);
    std::span<const std::uint8_t> area(int code) const;

    SymbolTable& symbols() { return symbols_; }
    const SymbolTable& symbols() const { return symbols_; }
    // The project's declarations ("Velmora" folder) and the PLC's variables
    // of the project description; false when the folder has no description
    // or it does not name the PLC (the declarations are loaded anyway).
    bool loadProject(const std::filesystem::path& projectDir, const std::string& plcName);
    // The host's variable look-up (IYantVariables operation 8).
    std::optional<std::string> lookup(const std::string& name) const { return symbols_.lookup(name); }

    // Values of symbols, for the stand-in's own display and for tests.
    bool write(const std::string& symbol, std::span<const std::uint8_t> bytes);
    std::optional<std::vector<std::uint8_t>> read(const std::string& symbol) const;
    bool writeInt16(const std::string& symbol, std::int16_t value);
    bool writeFloat(const std::string& symbol, float value);
    std::optional<std::int16_t> readInt16(const std::string& symbol) const;
    std::optional<float> readFloat(const std::string& symbol) const;
    // A number into a symbol as its type says (REAL, bit, byte, word, double word).
    bool writeValue(const std::string& symbol, double value);
    // The value of a symbol as a number; nothing for an unknown one.
    std::optional<double> readValue(const std::string& symbol) const;

    void setMode(PlcMode mode) { mode_ = mode; }
    PlcMode mode() const { return mode_; }
    // Whether a PLC is connected at all; without one every request fails and
    // the state query says 2.
    void setConnected(bool connected) { connected_ = connected; }
    bool connected() const { return connected_; }
    // The state query of the host's PLC control: 2 not connected, 0 halt, 1 run, 3 error.
    int plcState() const override;
    std::string describe(std::int32_t code) const override;

    // The work of the request function on this PLC.
    std::int32_t request(std::int32_t command, std::int32_t requestLength, const std::uint8_t* request,
                         std::int32_t* responseLength, std::uint8_t* response, std::int32_t timeoutMs,
                         std::int32_t flags);

    // The request function is a plain function pointer; it serves the PLC
    // made current here (one at a time per process, the last one that called
    // makeCurrent() and still lives). Without a current PLC it fails with
    // kNotConnected.
    void makeCurrent();
    static SoftPlc* current();
    static PlcRequestFunction requestFunction();

    // Every request received, in order (cleared on demand).
    const std::vector<ReceivedRequest>& history() const { return history_; }
    void clearHistory() { history_.clear(); }
    void setKeepHistory(bool keep) { keepHistory_ = keep; }

    // A test hook run before each request: returning a value makes the
    // request fail with it (or succeed with it, when not negative) untouched.
    std::function<std::optional<std::int32_t>(std::int32_t command, std::span<const std::uint8_t> request,
                                              std::int32_t* responseLength, std::uint8_t* response)>
        beforeRequest;

private:
    std::int32_t serve(std::int32_t command, std::span<const std::uint8_t> request,
                       std::int32_t* responseLength, std::uint8_t* response, ReceivedRequest& record);

    std::array<std::vector<std::uint8_t>, kAreaCount> areas_;
    SymbolTable symbols_;
    PlcMode mode_ = PlcMode::Run;
    bool connected_ = true;
    std::vector<ReceivedRequest> history_;
    bool keepHistory_ = true;
};

}  // namespace velmora::softplc
