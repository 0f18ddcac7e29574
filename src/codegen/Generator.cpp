#include "codegen/Generator.h"
#include "controllers/SectionReader.h"

#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "codegen/CodeValues.h"
#include "codegen/ControllerSettings.h"
#include "codegen/Emitters.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"

namespace velmora {

using namespace codegen;

namespace {

// No fsync: the files are regenerated before every compilation anyway.
void WriteGenerated(const std::filesystem::path& target, std::string_view bytes,
                    const GeneratorContext& ctx) {
    if (auto result = WriteFileAtomically(target, bytes, WriteOptions{.sync = false, .root = ctx.projectDir});
        !result)
        throw std::runtime_error(result.message());
}

// The folder of the generated files, created when missing, listed once.
FolderNames OutputFolder(const GeneratorContext& ctx) {
    const std::filesystem::path folder = HostPath(kControllerFolder, ctx.projectDir);
    std::filesystem::create_directories(folder);
    return FolderNames(folder);
}

void Log(const GeneratorContext& ctx, const std::string& line) {
    if (ctx.log) ctx.log(line);
}

// Why the controller may not be generated: its name, a value its code would
// carry, its placement. Checked before anything is written.
void CheckBeforeWriting(const IniFile& file, std::string_view name, const GeneratorContext& ctx,
                        GeneratorResult& result) {
    const std::string section = ControllerSection(name);
    const SectionReader reader(file, section, Reader::Generator);
    const std::string stored = reader.text(key::Name);
    if (!IsLegalName(name)) {
        // The name becomes a file name: "../x", "/tmp/x" or "a b" must not.
        result.error = IllegalNameError(section, name);
    } else if (stored != name) {
        result.warning = "The controller \"" + std::string(name) + "\" was not generated: the section [" +
                         section + "] names it \"" + stored + "\".";
    } else if (const auto refused = CheckCodeValues(reader)) {
        result.error = RefusedValueError(name, *refused);
    } else if (const auto beyond = CheckOffsets(ReadControllerFrame(reader, name, ctx.series), reader)) {
        // Conversion modes included.
        result.error = "The controller " + std::string(name) + " was not generated: its " +
                       std::string(beyond->key) + " " + std::to_string(beyond->value) +
                       " places declarations past the register area (the largest for it is " +
                       std::to_string(beyond->largest) + ").";
    }
}

struct Sources {
    SourceBuffer declarations, code;
    bool iec = false;
};

// Both files' text; corrects the conversion modes in the file on the way.
Sources EmitSources(SectionWriter& values, const ControllerFrame& c, const GeneratorContext& ctx,
                    GeneratorTexts& text, const LocalTime& stamp) {
    Sources s;
    s.iec = c.iec();
    s.declarations.reserve(16 * 1024);
    s.code.reserve(16 * 1024);
    if (c.iec()) {
        EmitIecBanner(s.declarations, c, text);
        EmitIecConstants(s.declarations, c);
    } else {
        EmitMnemonicBanner(s.declarations, text);
        EmitMnemonicConstants(s.declarations, c, text);
    }
    if (c.pid()) {
        CorrectConversionModes(values, ctx.plcType, text);
        const PidSettings p = ReadPidSettings(values);
        if (c.iec())
            EmitPidIecDeclarations(s.declarations, c, p, text);
        else
            EmitPidMnemonicDeclarations(s.declarations, c, p, text);
        if (CrcMacroDue(c)) s.code.add(CrcMacro(text), "\r\n");
        EmitMnemonicBanner(s.code, text);
        EmitPidCode(s.code, c, p, text);
    } else {
        const PidaSettings p = ReadPidaSettings(values, text);
        if (c.iec())
            EmitPidmaIecDeclarations(s.declarations, c, text);
        else
            EmitPidmaMnemonicDeclarations(s.declarations, c, text);
        EmitMnemonicBanner(s.code, text);
        EmitPidmaCode(s.code, c, p, text);
    }
    if (c.iec())
        EmitIecFooter(s.declarations, c, stamp, text);
    else
        EmitMnemonicFooter(s.declarations, stamp, text);
    EmitMnemonicFooter(s.code, stamp, text);
    return s;
}

// Writes and registers both files; the release moves only when both are on disk.
void WriteSources(const Sources& s, const ControllerFrame& c, std::string_view name,
                  const GeneratorContext& ctx, std::optional<FolderNames>& folder, SectionWriter& values,
                  GeneratorResult& result) {
    try {
        if (!folder) folder = OutputFolder(ctx);
        for (const auto& [hostName, buffer] : {std::pair{DeclarationsFileName(name, s.iec), &s.declarations},
                                               std::pair{CodeFileName(name), &s.code}}) {
            const std::string fileName = hostName.substr(kControllerFolder.size() + 1);
            const std::filesystem::path target = folder->path(fileName);
            WriteGenerated(target, buffer->text(), ctx);
            folder->add(target.filename().string());
            if (ctx.registerFile)
                ctx.registerFile(hostName);  // the host only takes note; its answer changes nothing
            result.files.push_back(hostName);
        }
        values.setInteger(key::ReleaseNumber, c.release);
        result.generated = true;
    } catch (const std::exception& e) {
        result.error = "The controller " + std::string(name) + " was not generated: " + e.what();
    }
}

GeneratorResult Run(IniFile& file, std::string_view name, const GeneratorContext& ctx, GeneratorTexts& text,
                    std::optional<FolderNames>& folder, bool rebuildReport) {
    GeneratorResult result;
    if (!file.fileExists()) {
        result.warning = "The controller file " + file.path().string() + " does not exist.";
        return result;
    }
    CheckBeforeWriting(file, name, ctx, result);
    if (result.error.empty() && result.warning.empty()) {
        SystemClock systemClock;
        const LocalTime stamp = (ctx.clock ? ctx.clock : &systemClock)->now();
        SectionWriter values(file, ControllerSection(name), Reader::Generator);
        const ControllerFrame c = ReadControllerFrame(values, name, ctx.series);
        const Sources sources = EmitSources(values, c, ctx, text, stamp);
        WriteSources(sources, c, name, ctx, folder, values, result);
    }
    if (rebuildReport && ctx.rebuildReport) ctx.rebuildReport();
    return result;
}

GeneratorTexts::Source TextSource(const GeneratorContext& ctx) {
    if (ctx.text) return ctx.text;
    return [](std::uint32_t id) { return Text(id); };
}

}  // namespace

std::string IllegalNameError(std::string_view section, std::string_view name) {
    return "The controller of section [" + PrintableName(section) + "] was not generated: its name \"" +
           PrintableName(name) + "\" is not a legal name.";
}

GeneratorResult GenerateController(IniFile& controllerFile, std::string_view name,
                                   const GeneratorContext& ctx) {
    const std::string logName = "GenerateController " + std::string(name);
    Log(ctx, logName);
    GeneratorTexts text(TextSource(ctx));
    std::optional<FolderNames> folder;
    GeneratorResult result = Run(controllerFile, name, ctx, text, folder, true);
    Log(ctx, logName + " - end");
    return result;
}

PassResult GenerateAllControllers(IniFile& controllerFile, const GeneratorContext& ctx,
                                  const PassObserver& observer) {
    PassResult pass;
    if (std::string error = controllerFile.readError(); !error.empty()) {
        pass.errors.push_back(std::move(error));
        return pass;
    }
    if (!controllerFile.fileExists()) return pass;
    // The log has each controller's start and end lines, no pair for the pass.
    GeneratorTexts text(TextSource(ctx));
    std::optional<FolderNames> folder;  // resolved once for the whole pass
    {
        // One rewrite of the controller file for the whole pass instead of one per release number.
        IniFile::Batch batch(controllerFile);
        for (const auto& [section, name] : ListControllers(controllerFile)) {
            if (observer) observer({name, false, static_cast<int>(pass.warnings.size())});
            const std::string logName = "GenerateController " + name;
            Log(ctx, logName);
            GeneratorResult r;
            if (IsLegalName(name))
                r = Run(controllerFile, name, ctx, text, folder, false);
            else
                r.error = IllegalNameError(section, name);
            Log(ctx, logName + " - end");
            if (r.generated) ++pass.generated;
            if (!r.warning.empty()) pass.warnings.push_back(std::move(r.warning));
            if (!r.error.empty()) pass.errors.push_back(std::move(r.error));
            for (auto& f : r.files) pass.files.push_back(std::move(f));
            if (observer) observer({name, true, static_cast<int>(pass.warnings.size())});
        }
        try {
            batch.commit();
        } catch (const std::exception& e) {
            pass.errors.push_back(e.what());
        }
    }
    // Every run rebuilds the report; in a pass the last rebuild is the one that counts.
    if (ctx.rebuildReport) ctx.rebuildReport();
    return pass;
}

}  // namespace velmora
