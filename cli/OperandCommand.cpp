// velmora operand: shows the memory address of a PLC operand text.
//
// Output: "area=A offset=O bit=B size=S kind=K", all numbers in decimal, bit
// -1 for an operand that is not a bit, kind as the parser's letter (B byte,
// W word, L long, F float, D double, Q quad, b bit). Exit 1 with a message on
// stderr when the text is not an address (a symbolic name, for instance).
#include <iostream>

#include "Command.h"
#include "base/OperandParser.h"

namespace velmora::cli {

namespace {

const CommandRegistration registration([](CLI::App& app) {
    auto text = std::make_shared<std::string>();
    CLI::App* cmd =
        app.add_subcommand("operand", "Show the memory address of a PLC operand (\"%MW5\", \"INT %R100\")");
    cmd->add_option("TEXT", *text, "Operand text")->required();
    cmd->callback([text] {
        auto a = plc::ParseOperand(*text);
        if (!a) {
            std::cerr << "velmora operand: \"" << *text << "\" is not a PLC address\n";
            SetExitCode(1);
            return;
        }
        std::cout << "area=" << a->area << " offset=" << a->offset << " bit=" << a->bit << " size=" << a->size
                  << " kind=" << a->kind << '\n';
    });
});

}  // namespace

}  // namespace velmora::cli
