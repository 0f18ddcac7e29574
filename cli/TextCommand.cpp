// velmora text: one localized text by its number.
#include <iostream>
#include <map>

#include "Command.h"
#include "base/Strings.h"
#include "base/Texts.h"

namespace velmora::cli {
namespace {

const CommandRegistration registration([](CLI::App& app) {
    auto* cmd = app.add_subcommand("text", "Print a localized text by its number");
    auto id = std::make_shared<std::uint32_t>(0);
    auto lang = std::make_shared<std::string>("enu");
    cmd->add_option("ID", *id, "Text number")->required();
    cmd->add_option("--lang", *lang, "Language of the text table")
        ->check(CLI::IsMember({"enu", "csy", "rus"}, CLI::ignore_case));
    cmd->callback([id, lang] {
        static const std::map<std::string, int> numbers{{"enu", 1}, {"csy", 0}, {"rus", 4}};
        const std::string key = LowerAscii(*lang);
        Texts texts;
        texts.chooseLanguage(numbers.at(key));
        std::cout << texts.text(*id) << '\n';
    });
});

}  // namespace
}  // namespace velmora::cli
