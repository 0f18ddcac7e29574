#include "codegen/Generator.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "codegen/ControllerSettings.h"
#include "codegen/Emitters.h"
#include "controllers/IniFile.h"
#include "controllers/Paths.h"
#include "plugin/Texts.h"
#include "plugin/Toolkit.h"

namespace velmora {

using namespace codegen;

std::string DeclarationsFileName(std::string_view name, bool iec) {
    return "Velmora\\" + std::string(name) + (iec ? "_def.ST" : "_def.orv");
}

std::string CodeFileName(std::string_view name) { return "Velmora\\" + std::string(name) + ".orv"; }

namespace {

// Temporary file beside the target, then rename: a reader (the compiler, the
// host's editor) sees the old file or the new one, never half of one.
void WriteFileAtomically(const std::filesystem::path& target, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const auto dir = target.parent_path();
    std::filesystem::create_directories(dir);
    const auto temp =
        dir / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "-" +
               std::to_string(counter++) + ".tmp");
    auto fail = [&](int error) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw std::filesystem::filesystem_error("Cannot write the generated file", target,
                                                std::error_code(error, std::generic_category()));
    };
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) fail(errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int writeError = errno;
    if (std::fclose(f) != 0 || !written) fail(written ? errno : writeError);
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) fail(ec.value());
}

void Log(const GeneratorContext& ctx, const std::string& line) {
    if (ctx.log) ctx.log(line);
}

GeneratorResult Run(IniFile& file, std::string_view name, const GeneratorContext& ctx, GeneratorTexts& text,
                    bool rebuildReport) {
    GeneratorResult result;
    const std::string section = SectionOf(name);
    if (!file.fileExists()) {
        result.warning = "The controller file " + file.path().string() + " does not exist.";
        return result;
    }

    const std::string stored = file.readString(section, "Name", "Chyba");
    if (stored != name) {
        result.warning = "The controller \"" + std::string(name) + "\" was not generated: the section [" + section +
                         "] names it \"" + stored + "\".";
    } else {
        SystemClock systemClock;
        const LocalTime stamp = (ctx.clock ? ctx.clock : &systemClock)->now();
        const ControllerFrame c = ReadControllerFrame(file, name, ctx.series);

        SourceBuffer declarations;
        SourceBuffer code;
        if (c.iec())
            EmitIecBanner(declarations, c, text);
        else
            EmitMnemonicBanner(declarations, text);
        if (c.iec())
            EmitIecConstants(declarations, c);
        else
            EmitMnemonicConstants(declarations, c, text);

        if (c.pid()) {
            CorrectConversionModes(file, name, ctx.plcType, text);
            const PidSettings p = ReadPidSettings(file, name, text);
            if (c.iec())
                EmitPidIecDeclarations(declarations, c, p, text);
            else
                EmitPidMnemonicDeclarations(declarations, c, p, text);
            if (CrcMacroDue(c)) code.add(CrcMacro(text) + "\r\n");
            EmitMnemonicBanner(code, text);
            EmitPidCode(code, c, p, text);
        } else {
            const PidaSettings p = ReadPidaSettings(file, name, text);
            if (c.iec())
                EmitPidmaIecDeclarations(declarations, c, text);
            else
                EmitPidmaMnemonicDeclarations(declarations, c, text);
            EmitMnemonicBanner(code, text);
            EmitPidmaCode(code, c, p, text);
        }
        if (c.iec())
            EmitIecFooter(declarations, c, stamp, text);
        else
            EmitMnemonicFooter(declarations, stamp, text);
        EmitMnemonicFooter(code, stamp, text);

        file.writeInteger(section, "ReleaseNumber", c.release);

        for (const auto& [hostName, buffer] :
             {std::pair{DeclarationsFileName(name, c.iec()), &declarations}, std::pair{CodeFileName(name), &code}}) {
            WriteFileAtomically(HostPath(hostName, ctx.projectDir), buffer->text());
            if (ctx.registerFile) ctx.registerFile(hostName);  // the host only takes note; its answer changes nothing
            result.files.push_back(hostName);
        }
        result.generated = true;
    }
    if (rebuildReport && ctx.rebuildReport) ctx.rebuildReport();
    return result;
}

GeneratorTexts::Source TextSource(const GeneratorContext& ctx) {
    if (ctx.text) return ctx.text;
    return [](std::uint32_t id) { return Text(id); };
}

}  // namespace

GeneratorResult GenerateController(IniFile& controllerFile, std::string_view name, const GeneratorContext& ctx) {
    const std::string logName = "GenerateController " + std::string(name);
    Log(ctx, logName);
    GeneratorTexts text(TextSource(ctx));
    GeneratorResult result = Run(controllerFile, name, ctx, text, true);
    Log(ctx, logName + " - end");
    return result;
}

PassResult GenerateAllControllers(IniFile& controllerFile, const GeneratorContext& ctx,
                                  const std::function<void(const std::string& name)>& beforeEach) {
    PassResult pass;
    if (!controllerFile.fileExists()) return pass;
    Log(ctx, "GenerateAllControllers " + ctx.plcName);
    GeneratorTexts text(TextSource(ctx));
    {
        // One rewrite of the controller file for the whole pass instead of one per release number.
        IniFile::Batch batch(controllerFile);
        for (const auto& section : controllerFile.sections()) {
            const std::string name = controllerFile.readString(section, "Name", "");
            if (name.empty()) continue;
            if (beforeEach) beforeEach(name);
            const std::string logName = "GenerateController " + name;
            Log(ctx, logName);
            GeneratorResult r = Run(controllerFile, name, ctx, text, false);
            Log(ctx, logName + " - end");
            if (r.generated) ++pass.generated;
            if (!r.warning.empty()) pass.warnings.push_back(std::move(r.warning));
            for (auto& f : r.files) pass.files.push_back(std::move(f));
        }
        batch.commit();
    }
    // Every run rebuilds the report; in a pass the last rebuild is the one that counts.
    if (ctx.rebuildReport) ctx.rebuildReport();
    Log(ctx, "GenerateAllControllers " + ctx.plcName + " - end");
    return pass;
}

}  // namespace velmora
