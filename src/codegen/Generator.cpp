#include "codegen/Generator.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <system_error>

#include "codegen/ControllerSettings.h"
#include "codegen/Emitters.h"
#include "codegen/SectionSnapshot.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/Texts.h"
#include "base/Toolkit.h"

namespace velmora {

using namespace codegen;

namespace {

// Temporary file beside the target, then rename: a reader (the compiler, the
// host's editor) sees the old file or the new one, never half of one. No
// fsync: the files are regenerated before every compilation anyway.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const auto temp =
        target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++) + ".tmp");
    auto fail = [&](int error) {
        ::unlink(temp.c_str());
        throw std::filesystem::filesystem_error("Cannot write the generated file", target,
                                                std::error_code(error, std::generic_category()));
    };
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail(errno);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            fail(error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno);
}

// The folder of the generated files, created when missing.
std::filesystem::path OutputFolder(const GeneratorContext& ctx) {
    const std::filesystem::path folder = HostPath(kControllerFolder, ctx.projectDir);
    std::filesystem::create_directories(folder);
    return folder;
}

void Log(const GeneratorContext& ctx, const std::string& line) {
    if (ctx.log) ctx.log(line);
}

GeneratorResult Run(IniFile& file, std::string_view name, const GeneratorContext& ctx, GeneratorTexts& text,
                    std::optional<std::filesystem::path>& folder, bool rebuildReport) {
    GeneratorResult result;
    const std::string section = ControllerSection(name);
    if (!file.fileExists()) {
        result.warning = "The controller file " + file.path().string() + " does not exist.";
        return result;
    }

    const std::string stored = file.readString(section, "Name", "Chyba");
    if (!IsLegalName(name)) {
        // The name becomes a file name: "../x", "/tmp/x" or "a b" must not.
        result.error = IllegalNameError(section, name);
    } else if (stored != name) {
        result.warning = "The controller \"" + std::string(name) + "\" was not generated: the section [" +
                         section + "] names it \"" + stored + "\".";
    } else {
        SystemClock systemClock;
        const LocalTime stamp = (ctx.clock ? ctx.clock : &systemClock)->now();
        SectionSnapshot values(file, section);
        const ControllerFrame c = ReadControllerFrame(values, name, ctx.series);

        SourceBuffer declarations;
        SourceBuffer code;
        declarations.reserve(16 * 1024);
        code.reserve(16 * 1024);
        if (c.iec())
            EmitIecBanner(declarations, c, text);
        else
            EmitMnemonicBanner(declarations, text);
        if (c.iec())
            EmitIecConstants(declarations, c);
        else
            EmitMnemonicConstants(declarations, c, text);

        if (c.pid()) {
            CorrectConversionModes(file, values, name, ctx.plcType, text);
            const PidSettings p = ReadPidSettings(values);
            if (c.iec())
                EmitPidIecDeclarations(declarations, c, p, text);
            else
                EmitPidMnemonicDeclarations(declarations, c, p, text);
            if (CrcMacroDue(c)) code.add(CrcMacro(text), "\r\n");
            EmitMnemonicBanner(code, text);
            EmitPidCode(code, c, p, text);
        } else {
            const PidaSettings p = ReadPidaSettings(values, text);
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

        try {
            if (!folder) folder = OutputFolder(ctx);
            for (const auto& [hostName, buffer] :
                 {std::pair{DeclarationsFileName(name, c.iec()), &declarations},
                  std::pair{CodeFileName(name), &code}}) {
                const std::string fileName = hostName.substr(kControllerFolder.size() + 1);
                WriteFileAtomically(HostPath(fileName, *folder), buffer->text());
                if (ctx.registerFile)
                    ctx.registerFile(hostName);  // the host only takes note; its answer changes nothing
                result.files.push_back(hostName);
            }
            // The release moves only for a controller whose files are both on disk.
            file.writeInteger(section, "ReleaseNumber", c.release);
            result.generated = true;
        } catch (const std::exception& e) {
            result.error = "The controller " + std::string(name) + " was not generated: " + e.what();
        }
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
    std::optional<std::filesystem::path> folder;
    GeneratorResult result = Run(controllerFile, name, ctx, text, folder, true);
    Log(ctx, logName + " - end");
    return result;
}

PassResult GenerateAllControllers(IniFile& controllerFile, const GeneratorContext& ctx,
                                  const std::function<void(const std::string& name)>& beforeEach) {
    PassResult pass;
    if (std::string error = controllerFile.readError(); !error.empty()) {
        pass.errors.push_back(std::move(error));
        return pass;
    }
    if (!controllerFile.fileExists()) return pass;
    Log(ctx, "GenerateAllControllers " + ctx.plcName);
    GeneratorTexts text(TextSource(ctx));
    std::optional<std::filesystem::path> folder;  // resolved once for the whole pass
    {
        // One rewrite of the controller file for the whole pass instead of one per release number.
        IniFile::Batch batch(controllerFile);
        for (const auto& [section, name] : ListControllers(controllerFile)) {
            if (beforeEach) beforeEach(name);
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
        }
        try {
            batch.commit();
        } catch (const std::exception& e) {
            pass.errors.push_back(e.what());
        }
    }
    // Every run rebuilds the report; in a pass the last rebuild is the one that counts.
    if (ctx.rebuildReport) ctx.rebuildReport();
    Log(ctx, "GenerateAllControllers " + ctx.plcName + " - end");
    return pass;
}

}  // namespace velmora
