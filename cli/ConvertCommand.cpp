// velmora convert: the raw value an input module of a conversion mode delivers
// for an engineering value.
#include "Command.h"

#include "simulation/InputConversion.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>

namespace velmora::cli {
namespace {

struct ConvertOptions {
    int mode = 0;
    std::string value;
    int plcType = 0;
};

void RunConvert(const ConvertOptions& o) {
    std::string text = o.value;
    for (char& c : text)
        if (c == ',') c = '.';
    std::string_view s = text;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
        std::cerr << "velmora convert: not a number: " << o.value << '\n';
        SetExitCode(1);
        return;
    }
    std::cout << ConvertInputToRaw(o.mode, value, o.plcType) << '\n';
}

void SetUpConvert(CLI::App& app) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* cmd =
        app.add_subcommand("convert", "Raw input value of a conversion mode for an engineering value");
    cmd->add_option("MODE", options->mode, "Input conversion mode (e.g. 401, 1101, 2010)")->required();
    cmd->add_option("VALUE", options->value, "Engineering value ('.' or ',' as decimal separator)")
        ->required();
    cmd->add_option("--plc-type", options->plcType, "PLC type index (default 0)");
    cmd->callback([options] { RunConvert(*options); });
}

const CommandRegistration registration(SetUpConvert);

}  // namespace
}  // namespace velmora::cli
