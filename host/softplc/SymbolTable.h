#pragma once
// The soft PLC's symbols: built from the project's generated declarations
// (IEC structured text and mnemonic source) and the PLC's variables in the
// project description, placed in the register area as a PLC compiler would
// (AT %R placements kept, the rest allocated behind them), and answering the
// host's variable look-up with address texts such as "INT %R120".
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/OperandParser.h"

namespace velmora::softplc {

constexpr int kAreaCount = 5;     // X/I, Y/Q, S, R/M, T
constexpr int kRegisterArea = 3;  // R (and IEC M)
constexpr int kAreaSize = plc::kAreaBytes;

// A scalar or structure type.
struct TypeInfo {
    std::string name;   // canonical upper-case name: BOOL, BYTE, INT, DINT, REAL, LREAL, LINT or a structure
    int size = 0;       // bytes; a BOOL member of a bit structure has size 0 and a bit
    bool real = false;  // floating point
    bool isUnsigned = false;  // BYTE, WORD, UINT ...: loaded without sign extension
};

struct Member {
    std::string name;
    int offset = 0;  // bytes from the start of the structure
    int bit = -1;    // bit members: 0..7 within the byte at offset
    int count = 1;   // array elements
    TypeInfo type;
};

struct StructType {
    std::string name;
    int size = 0;
    std::vector<Member> members;
};

// Where a symbol lies.
struct Location {
    int area = kRegisterArea;
    int offset = 0;
    int size = 0;
    int bit = -1;
    TypeInfo type;
    int count = 1;          // array elements
    bool retained = false;  // RETAIN / #rem: kept across a restart
};

// A retained variable: what the retained-memory file keeps.
struct RetainedRange {
    std::string name;
    int offset = 0;  // in the register area
    int size = 0;
};

class SymbolTable {
public:
    // Declarations are collected first and placed by build(): placed ones
    // keep their address, the others follow the highest placed byte in
    // declaration order.
    // `file` is the name a problem of the text gives (as the compiler's own
    // diagnostics name it: "Velmora\\Boiler_def.orv"); empty: the text alone.
    void addIecDeclarations(std::string_view text, const std::string& file = {});
    void addMnemonicDeclarations(std::string_view text, const std::string& file = {});
    // A variable of the project description ("INT %R200"), from that line of `file`.
    void addVariable(const std::string& name, const std::string& addressText, const std::string& file = {},
                     int line = 0);
    // Every "*_def.ST" and "*_def.orv" of a folder, in name order.
    void addDeclarationFiles(const std::filesystem::path& folder);
    void build();
    void clear();

    // The host's variable look-up: the address text of a symbol, a structure
    // member ("a.b" or "a~b"), or an alias; names compared without regard to case.
    std::optional<std::string> lookup(const std::string& name) const;
    std::optional<Location> locate(const std::string& name) const;

    // Every symbol with its type and address ("%R120"), by name without
    // regard to case: what a variable selection lists.
    struct Listed {
        std::string name, type, address;
    };
    std::vector<Listed> listing() const;

    const StructType* findStruct(const std::string& name) const;
    // Every retained variable, by offset.
    std::vector<RetainedRange> retainedRanges() const;
    std::size_t size() const { return symbols_.size(); }
    // The first byte behind everything placed.
    int end() const { return end_; }
    // Declarations that could not be read or placed, as the compiler prints
    // its diagnostics: "main.orv(3): warning: declaration X: register area full".
    const std::vector<std::string>& problems() const { return problems_; }

private:
    friend class MnemonicReader;
    struct Declaration {
        std::string name;
        std::string typeName;
        int count = 1;              // array elements
        std::optional<int> placed;  // AT %R offset
        std::string placedArea;     // address text of a project variable
        std::string overlayOf;      // mnemonic: laid over another variable
        bool aligned = false;
        bool retained = false;
        std::string file;  // where it stands
        int line = 0;
    };
    struct Symbol {
        std::string name;
        Location location;
    };

    std::optional<TypeInfo> typeOf(const std::string& name) const;
    std::optional<Location> resolvePath(const std::string& path, int depth) const;
    void problem(const std::string& file, int line, const std::string& text);
    void addStruct(StructType type);
    void addDeclaration(Declaration declaration);
    void addAlias(const std::string& name, const std::string& target);

    std::vector<Declaration> declarations_;
    std::map<std::string, StructType> structs_;   // by upper-case name
    std::map<std::string, std::string> aliases_;  // upper-case name -> target path
    std::map<std::string, Symbol> symbols_;       // upper-case name
    std::vector<std::string> problems_;
    std::map<std::string, bool> defines_;  // conditional-compilation names
    int end_ = 0;
};

// The look-up text of a location: a type keyword and the address ("INT %R120",
// "REAL %R8", "%R49.1" for a bit, "%R1000" for a structure).
std::string AddressText(const Location& location);

}  // namespace velmora::softplc
