#include "codegen/CodeValues.h"

#include <cmath>

#include "base/ParseDecimal.h"
#include "controllers/ControllerKeys.h"
#include "controllers/LegalName.h"
#include "controllers/SectionReader.h"

namespace velmora::codegen {

namespace {

std::string Legal(const ControllerKey& key) {
    const bool whole = key.type != KeyType::Decimal;
    return std::string(whole ? "a whole number" : "a number") + " from " + FormatDecimal(key.codeRange->min) +
           " to " + FormatDecimal(key.codeRange->max);
}

bool Fits(const ControllerKey& key, std::string_view stored) {
    if (key.type != KeyType::Decimal && !IsIntegerLiteral(stored)) return false;
    const std::optional<double> value = ParseNumber(stored);
    // Written so that NaN fails too.
    return value && *value >= key.codeRange->min && *value <= key.codeRange->max;
}

// Automatic start of a PID controller outside ratio control: the code loads
// MinY + (MaxY - MinY) * gW / 10000 into the INT set point.
std::optional<RefusedValue> CheckStartSetPoint(const SectionReader& section) {
    const SectionReader in = section.as(Reader::GeneratorCode);
    if (!in.flag(key::AM) || in.integer(key::InputMode) == 3) return std::nullopt;
    const double minY = in.integer(key::MinY);
    const double w = minY + (in.integer(key::MaxY) - minY) * in.integer(key::gW) * 0.0001;
    if (std::trunc(w) >= -32768 && std::trunc(w) <= 32767) return std::nullopt;
    return RefusedValue{std::string(key::gW.name), in.text(key::gW),
                        "a set point whose start value MinY + (MaxY - MinY) * gW / 10000 (" +
                            FormatDecimal(w) + ") an INT holds"};
}

}  // namespace

std::optional<RefusedValue> CheckCodeValues(const SectionReader& section) {
    for (const ControllerKey& key : ControllerKeyTable()) {
        if (!key.codeRange || !key.appliesTo(section.kind())) continue;
        const auto stored = section.stored(Key{key.name});
        if (stored && !Fits(key, *stored)) return RefusedValue{key.name, std::string(*stored), Legal(key)};
    }
    if (section.kind() == ControllerKind::Pid) return CheckStartSetPoint(section);
    return std::nullopt;
}

std::string RefusedValueError(std::string_view controller, const RefusedValue& refused) {
    return "The controller " + PrintableName(controller) + " was not generated: its " + refused.key + " \"" +
           PrintableName(refused.value) + "\" is not " + refused.legal + ".";
}

}  // namespace velmora::codegen
