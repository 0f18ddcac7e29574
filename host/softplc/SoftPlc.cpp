#include "softplc/SoftPlc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>

#include "base/ByteOrder.h"
#include "controllers/ProjectDescription.h"

namespace velmora::softplc {

namespace {

SoftPlc* g_current = nullptr;

std::int32_t CurrentRequest(std::int32_t command, std::int32_t requestLength, const std::uint8_t* request,
                            std::int32_t* responseLength, std::uint8_t* response, std::int32_t timeoutMs,
                            std::int32_t flags) {
    if (!g_current) return errors::kNotConnected;
    return g_current->request(command, requestLength, request, responseLength, response, timeoutMs, flags);
}

}  // namespace

SoftPlc::SoftPlc() {
    for (auto& a : areas_) a.assign(kAreaSize, 0);
}

SoftPlc::~SoftPlc() {
    if (g_current == this) g_current = nullptr;
}

void SoftPlc::makeCurrent() {
    g_current = this;
}
SoftPlc* SoftPlc::current() {
    return g_current;
}
PlcRequestFunction SoftPlc::requestFunction() {
    return &CurrentRequest;
}

std::span<std::uint8_t> SoftPlc::area(int code) {
    return areas_.at(static_cast<std::size_t>(code));
}
std::span<const std::uint8_t> SoftPlc::area(int code) const {
    return areas_.at(static_cast<std::size_t>(code));
}

bool SoftPlc::loadProject(const std::filesystem::path& projectDir, const std::string& plcName) {
    symbols_.clear();
    bool described = false;
    if (const auto description = LoadProjectDescription(projectDir)) {
        if (const PlcDescription* plc = description->findPlc(plcName)) {
            described = true;
            for (const auto& [name, address] : plc->variables) symbols_.addVariable(name, address);
        }
    }
    symbols_.addDeclarationFiles(projectDir / "Velmora");
    symbols_.build();
    return described;
}

int SoftPlc::plcState() const {
    if (!connected_) return kPlcStateNotConnected;
    switch (mode_) {
        case PlcMode::Halt:
            return 0;
        case PlcMode::Run:
            return 1;
        case PlcMode::Error:
            return 3;
    }
    return 0;
}

std::string SoftPlc::describe(std::int32_t code) const {
    switch (code) {
        case errors::kNotConnected:
            return "Soft PLC: no PLC is connected";
        case errors::kUnknownCommand:
            return "Soft PLC: unknown command";
        case errors::kBadLength:
            return "Soft PLC: request length does not match its items";
        case errors::kBadArea:
            return "Soft PLC: unknown memory area";
        case errors::kOutOfRange:
            return "Soft PLC: item outside its memory area";
        case errors::kResponseTooSmall:
            return "Soft PLC: response buffer too small";
        case errors::kBadArgument:
            return "Soft PLC: bad request arguments";
        default:
            break;
    }
    char text[48];
    std::snprintf(text, sizeof text, "Soft PLC: error 0x%08X", static_cast<unsigned>(code));
    return text;
}

bool SoftPlc::write(const std::string& symbol, std::span<const std::uint8_t> bytes) {
    const auto l = symbols_.locate(symbol);
    if (!l || bytes.empty()) return false;
    auto memory = area(l->area);
    if (l->bit >= 0) {
        auto& byte = memory[static_cast<std::size_t>(l->offset)];
        byte = static_cast<std::uint8_t>((byte & ~(1u << l->bit)) | ((bytes[0] & 1u) << l->bit));
        return true;
    }
    if (bytes.size() > static_cast<std::size_t>(l->size)) return false;
    std::copy(bytes.begin(), bytes.end(), memory.begin() + l->offset);
    return true;
}

std::optional<std::vector<std::uint8_t>> SoftPlc::read(const std::string& symbol) const {
    const auto l = symbols_.locate(symbol);
    if (!l) return std::nullopt;
    const auto memory = area(l->area);
    if (l->bit >= 0)
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>((memory[l->offset] >> l->bit) & 1u)};
    return std::vector<std::uint8_t>(memory.begin() + l->offset, memory.begin() + l->offset + l->size);
}

bool SoftPlc::writeInt16(const std::string& symbol, std::int16_t value) {
    std::uint8_t bytes[2];
    plc::PutInt16(bytes, value);
    return write(symbol, bytes);
}

bool SoftPlc::writeFloat(const std::string& symbol, float value) {
    std::uint8_t bytes[4];
    plc::PutReal(bytes, value);
    return write(symbol, bytes);
}

std::optional<std::int16_t> SoftPlc::readInt16(const std::string& symbol) const {
    const auto bytes = read(symbol);
    if (!bytes || bytes->size() < 2) return std::nullopt;
    return plc::GetInt16(bytes->data());
}

std::optional<float> SoftPlc::readFloat(const std::string& symbol) const {
    const auto bytes = read(symbol);
    if (!bytes || bytes->size() < 4) return std::nullopt;
    return plc::GetReal(bytes->data());
}

bool SoftPlc::writeValue(const std::string& symbol, double value) {
    const auto l = symbols_.locate(symbol);
    if (!l) return false;
    if (l->type.real) return writeFloat(symbol, static_cast<float>(value));
    const auto v = static_cast<std::int64_t>(std::llround(std::clamp(value, -2147483648.0, 4294967295.0)));
    if (l->bit >= 0 || l->size == 1)
        return write(symbol, std::vector<std::uint8_t>{static_cast<std::uint8_t>(v)});
    if (l->size == 2) return writeInt16(symbol, static_cast<std::int16_t>(v));
    std::uint8_t bytes[4];
    plc::PutUInt32(bytes, static_cast<std::uint32_t>(v));
    return write(symbol, std::span<const std::uint8_t>(
                             bytes, std::min<std::size_t>(4, static_cast<std::size_t>(l->size))));
}

std::optional<double> SoftPlc::readValue(const std::string& symbol) const {
    const auto l = symbols_.locate(symbol);
    if (!l) return std::nullopt;
    if (l->type.real) return readFloat(symbol);
    auto bytes = read(symbol);
    if (!bytes || bytes->empty()) return std::nullopt;
    if (l->bit >= 0 || bytes->size() == 1) return (*bytes)[0];
    if (bytes->size() == 2) {
        if (l->type.isUnsigned) return plc::GetUInt16(bytes->data());
        return plc::GetInt16(bytes->data());
    }
    bytes->resize(4, 0);  // a 3-byte variable reads as the low bytes of a DINT
    const std::uint32_t u = plc::GetUInt32(bytes->data());
    return l->type.isUnsigned ? static_cast<double>(u) : static_cast<double>(static_cast<std::int32_t>(u));
}

std::int32_t SoftPlc::request(std::int32_t command, std::int32_t requestLength, const std::uint8_t* request,
                              std::int32_t* responseLength, std::uint8_t* response, std::int32_t timeoutMs,
                              std::int32_t flags) {
    ReceivedRequest record;
    record.command = command;
    std::int32_t result = 0;
    if (requestLength < 0 || (requestLength > 0 && !request) || !responseLength || *responseLength < 0 ||
        (*responseLength > 0 && !response)) {
        result = errors::kBadArgument;
        if (responseLength) *responseLength = 0;
    } else {
        const std::span<const std::uint8_t> bytes(request, static_cast<std::size_t>(requestLength));
        record.bytes.assign(bytes.begin(), bytes.end());
        std::optional<std::int32_t> forced;
        if (beforeRequest) forced = beforeRequest(command, bytes, responseLength, response);
        result = forced ? *forced : serve(command, bytes, responseLength, response, record);
    }
    record.result = result;
    if (keepHistory_) history_.push_back(std::move(record));
    return result;
}

std::int32_t SoftPlc::serve(std::int32_t command, std::span<const std::uint8_t> bytes,
                            std::int32_t* responseLength, std::uint8_t* response, ReceivedRequest& record) {
    const std::int32_t capacity = *responseLength;
    *responseLength = 0;
    if (!connected_) return errors::kNotConnected;
    if (command != kPlcRead && command != kPlcWrite) return errors::kUnknownCommand;
    if (bytes.empty()) return errors::kBadLength;

    // Every item is checked before any byte moves: a bad request changes nothing.
    std::size_t at = 0;
    std::size_t total = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4) return errors::kBadLength;
        ReceivedItem item;
        item.area = bytes[at];
        item.offset = plc::GetUInt16(&bytes[at + 1]);
        item.count = bytes[at + 3];
        at += 4;
        if (item.area >= kAreaCount) return errors::kBadArea;
        if (item.count == 0 || item.offset + item.count > kAreaSize) return errors::kOutOfRange;
        if (command == kPlcWrite) {
            if (bytes.size() - at < static_cast<std::size_t>(item.count)) return errors::kBadLength;
            item.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + item.count));
            at += item.count;
        }
        total += item.count;
        record.items.push_back(std::move(item));
    }
    if (command == kPlcRead) {
        if (total > static_cast<std::size_t>(capacity)) return errors::kResponseTooSmall;
        std::size_t out = 0;
        for (const ReceivedItem& item : record.items) {
            const auto& memory = areas_[static_cast<std::size_t>(item.area)];
            std::memcpy(response + out, memory.data() + item.offset, static_cast<std::size_t>(item.count));
            out += static_cast<std::size_t>(item.count);
        }
        *responseLength = static_cast<std::int32_t>(total);
        return 0;
    }
    for (const ReceivedItem& item : record.items) {
        auto& memory = areas_[static_cast<std::size_t>(item.area)];
        std::copy(item.data.begin(), item.data.end(), memory.begin() + item.offset);
    }
    // A write answers with one status byte.
    if (capacity >= 1) {
        response[0] = 0;
        *responseLength = 1;
    }
    return 0;
}

}  // namespace velmora::softplc
