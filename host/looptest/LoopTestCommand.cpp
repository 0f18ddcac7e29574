// velmora-host test: reads every test file, checks each case against its
// compiled PLC before anything runs, then runs the cases one by one and
// reports them; the project's controller files and retained memory are put
// back as they were after each case.
#include "host/looptest/LoopTestCommand.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <variant>

#include "base/AtomicFile.h"
#include "base/Platform.h"
#include "base/Strings.h"
#include "controllers/LegalName.h"
#include "controllers/ProjectDescription.h"
#include "host/looptest/LoopTestReport.h"
#include "host/looptest/LoopTestRunner.h"
#include "online/TrendDataFile.h"

namespace velmora::looptest {

namespace {

namespace fs = std::filesystem;

struct Options {
    std::string project, plc, junit, keep;
    std::vector<std::string> inputs;
};

Options ReadOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--project" && hasValue)
            o.project = args[++i];
        else if (a == "--plc" && hasValue)
            o.plc = args[++i];
        else if (a == "--junit" && hasValue)
            o.junit = args[++i];
        else if (a == "--keep-traces" && hasValue)
            o.keep = args[++i];
        else if (a.rfind("--", 0) == 0)
            throw std::invalid_argument("test: unexpected argument " + a);
        else
            o.inputs.push_back(a);
    }
    if (o.project.empty()) throw std::invalid_argument("test needs --project DIR");
    return o;
}

// Each FILE as given, each DIR's *.vtest in name order; without any, the project's tests/.
std::vector<std::string> TestFiles(const Options& o, std::vector<Diagnostic>& problems) {
    std::vector<std::string> inputs = o.inputs;
    if (inputs.empty()) inputs.push_back((fs::path(o.project) / "tests").generic_string());
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            files.push_back(input);
            continue;
        }
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(input, ec))
            if (entry.path().extension() == ".vtest")
                found.push_back((fs::path(input) / entry.path().filename()).generic_string());
        std::sort(found.begin(), found.end());
        if (found.empty()) problems.push_back({input, 0, "no *.vtest file in this folder"});
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

void Print(std::ostream& err, const std::vector<Diagnostic>& problems) {
    for (const Diagnostic& d : problems) err << d.text() << "\n";
}

// Trace files are named after the test file and the case: two alike would overwrite each other.
void CheckTraceNames(const std::vector<Case>& cases, std::vector<Diagnostic>& problems) {
    std::map<std::string, const Case*> seen;
    for (const Case& c : cases) {
        std::string key = fs::path(c.file).stem().string() + "." + c.name;
        key = LowerAscii(key);
        if (const auto [it, fresh] = seen.emplace(key, &c); !fresh)
            problems.push_back(
                {c.file, c.line,
                 "its traces would overwrite those of case " + c.name + " in " + it->second->file});
    }
}

// Each case's PLC: its own, else --plc; as the project description spells it.
std::vector<std::string> CasePlcs(std::vector<Case>& cases, const Options& o,
                                  std::vector<Diagnostic>& problems) {
    const std::optional<ProjectDescription> project = LoadProjectDescription(o.project);
    if (!project) throw std::runtime_error("no project (*.oprj) in " + o.project);
    std::vector<std::string> used;
    for (Case& c : cases) {
        const std::string wanted = c.plc.empty() ? o.plc : c.plc;
        const int line = c.plcLine ? c.plcLine : c.line;
        const PlcDescription* plc = IsLegalName(wanted) ? project->findPlc(wanted) : nullptr;
        if (wanted.empty())
            problems.push_back(
                {c.file, line, "case " + c.name + " names no PLC (plc NAME), and --plc is not given"});
        else if (!plc)
            problems.push_back({c.file, line, "the project has no PLC " + PrintableName(wanted)});
        c.plc = plc ? plc->name : wanted;
        if (plc && std::find(used.begin(), used.end(), c.plc) == used.end()) used.push_back(c.plc);
    }
    return used;
}

std::string Keep(const fs::path& folder, const CaseResult& result, const CaseRun& run) {
    const std::string base = fs::path(result.c->file).stem().string() + "." + result.c->name;
    std::string problems;
    if (const WriteResult w = WriteFileAtomically(folder / (base + ".csv"), TraceCsv(run.trace)); !w)
        problems += w.message() + "\n";
    for (const auto& [controller, buffer] : run.recordings)
        if (const std::string e =
                online::SaveTrendDataFile(folder / (base + "." + controller + ".txt"), *buffer);
            !e.empty())
            problems += e + "\n";
    return problems;
}

// Checks every case against its PLC's catalogue (the PLC compiled once).
// 2 when a case names what the PLC lacks, 1 when a PLC does not compile, else 0.
int CheckCases(std::vector<Case>& cases, const std::vector<std::string>& plcs, const Options& o,
               ProjectState& state, std::ostream& err) {
    std::map<std::string, PlcCatalogue> catalogues;
    for (const std::string& plc : plcs) {
        std::string why, log;
        const bool ready = ReadCatalogue(o.project, plc, catalogues[plc], why, log);
        state.restore();
        if (!ready) {
            err << log << "velmora-host: " << why << "\n";
            return 1;
        }
    }
    std::vector<Diagnostic> problems;
    for (Case& c : cases) {
        const std::vector<Diagnostic> found = CheckCase(c, catalogues.at(c.plc));
        problems.insert(problems.end(), found.begin(), found.end());
    }
    Print(err, problems);
    return problems.empty() ? 0 : 2;
}

// Reads and checks everything; the cases, or the exit status when nothing may run.
std::variant<std::vector<Case>, int> Prepare(const Options& o, std::ostream& err) {
    std::vector<Diagnostic> problems;
    std::vector<Case> cases;
    for (const std::string& file : TestFiles(o, problems)) {
        if (StampOf(file).size > kMaxFileBytes) {
            problems.push_back({file, 0, "the file is larger than 1 MiB"});
            continue;
        }
        const FileContent content = ReadWholeFile(file);
        if (!content.error.empty()) {
            problems.push_back({file, 0, "cannot read: " + content.error});
            continue;
        }
        ParsedFile parsed = ParseLoopTests(content.bytes, file);
        problems.insert(problems.end(), parsed.problems.begin(), parsed.problems.end());
        for (Case& c : parsed.cases) cases.push_back(std::move(c));
    }
    if (!o.keep.empty()) CheckTraceNames(cases, problems);
    if (problems.empty() && cases.empty())
        problems.push_back({o.inputs.empty() ? o.project : o.inputs.front(), 0, "no case to run"});
    Print(err, problems);
    if (!problems.empty()) return 2;
    return cases;
}

}  // namespace

int RunLoopTests(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Options o = ReadOptions(args);
    auto prepared = Prepare(o, err);
    if (const int* status = std::get_if<int>(&prepared)) return *status;
    std::vector<Case>& cases = std::get<std::vector<Case>>(prepared);
    std::vector<Diagnostic> problems;
    const std::vector<std::string> plcs = CasePlcs(cases, o, problems);
    Print(err, problems);
    if (!problems.empty()) return 2;

    ProjectState state(o.project, plcs);
    if (const int status = CheckCases(cases, plcs, o, state, err)) return status;
    if (!o.keep.empty()) {
        std::error_code ec;
        fs::create_directories(o.keep, ec);
        if (ec) {
            err << "velmora-host: cannot create " << o.keep << ": " << ec.message() << "\n";
            return 1;
        }
    }
    int status = 0;
    std::vector<CaseResult> results;
    for (const Case& c : cases) {
        CaseRun run = RunCase(c, c.plc, o.project);
        if (const std::string problem = state.restore(); !problem.empty()) {
            err << "velmora-host: " << problem;
            status = 1;
        }
        CaseResult result{&c, run.error.empty() ? EvaluateCase(c, run.trace) : std::vector<Verdict>{},
                          run.error, run.log};
        out << CaseLines(result) << std::flush;
        if (!result.passed() && !result.log.empty()) err << result.log;
        if (const std::string problem = o.keep.empty() ? "" : Keep(o.keep, result, run); !problem.empty()) {
            err << "velmora-host: " << problem;
            status = 1;
        }
        results.push_back(std::move(result));
    }
    out << SummaryLine(results);
    if (const WriteResult w =
            o.junit.empty() ? WriteResult() : WriteFileAtomically(o.junit, JUnitXml(results));
        !w) {
        err << "velmora-host: " << w.message() << "\n";
        status = 1;
    }
    for (const CaseResult& r : results)
        if (!r.passed()) status = 1;
    return status;
}

}  // namespace velmora::looptest
