#pragma once
// The structure page of the online view: one row per member of the
// controller's structure as the PLC holds it, with the direction prefix of
// the member ("i" input, "o" output, "h" both), its value and its raw bytes.
#include <string>
#include <vector>

namespace velmora::online {

class OnlineExchange;

struct StructureRow {
    std::string name;   // e.g. "iPBnd", or "  .EY1" for one bit of a bit field
    std::string value;  // "-" until data arrived
    std::string hex;    // the member's bytes as the PLC stores them ("0A 00"); empty for a bit
};

// The rows for the exchange's controller kind; bit fields are followed by
// one row per bit. With hasData() false the values are "-".
std::vector<StructureRow> StructureRows(const OnlineExchange& exchange, char decimalSeparator);

}  // namespace velmora::online
