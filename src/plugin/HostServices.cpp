#include "plugin/HostServices.h"

#include "base/Help.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Texts.h"
#include "base/com/TaskString.h"
#include "plugin/FrameState.h"

namespace velmora {

int HostPlcSeries(const TFormReg1& frame) {
    auto cpm = com::Query<IYantCpm>(frame.host().projectManager.get());
    std::int32_t series = -1;
    if (!cpm || FAILED(cpm->GetPlcSeries(&series))) return -1;
    return series;
}

int HostPlcType(const TFormReg1& frame) {
    auto cpm = com::Query<IYantCpm>(frame.host().projectManager.get());
    std::int32_t type = -1;
    if (!cpm || FAILED(cpm->GetPlcType(&type))) return -1;
    return type;
}

bool RegisterGeneratedFile(TFormReg1& frame, const std::string& hostRelativeName) {
    IUnknown* centre = frame.host().registerCentre.get();
    bool registered = false;
    if (auto project = com::Query<IYantProject>(centre)) {
        const std::string full = frame.projectDirectory() + hostRelativeName;
        std::int32_t handle = 0;
        if (SUCCEEDED(project->AddFile(full.c_str(), 1, "", &handle))) {
            project->SetFileAttribute(handle, 2, VARIANT_FALSE);
            registered = true;
        }
    }
    if (auto editor = com::Query<IYantTextEditor>(centre))
        editor->FileChanged(hostRelativeName.c_str(), VARIANT_FALSE);
    return registered;
}

GeneratorContext HostGeneratorContext(TFormReg1& frame) {
    GeneratorContext ctx;
    ctx.projectDir = HostPath(frame.projectDirectory());
    ctx.plcName = frame.plcName();
    ctx.plcType = frame.plcTypeIndex;
    ctx.series = HostPlcSeries(frame);
    ctx.registerFile = [&frame](const std::string& file) { return RegisterGeneratedFile(frame, file); };
    ctx.rebuildReport = [&frame] {
        if (frame.report && !frame.report->buildReport()) frame.report->appendLine(Text(3019));
    };
    ctx.clock = frame.toolkit().clock;
    ctx.log = [](std::string_view line) { Log(line); };
    return ctx;
}

void GenerateWithHost(TFormReg1& frame, IniFile& controllerFile, std::string_view name) {
    const GeneratorResult result = GenerateController(controllerFile, name, HostGeneratorContext(frame));
    if (result.generated) frame.generated = true;
    if (!result.error.empty()) frame.generateErrors.push_back(result.error);
}

PassResult GenerateAllWithHost(TFormReg1& frame, IniFile& controllerFile, const PassObserver& observer) {
    PassResult pass = GenerateAllControllers(controllerFile, HostGeneratorContext(frame), observer);
    if (pass.generated > 0) frame.generated = true;
    for (const auto& e : pass.errors) frame.generateErrors.push_back(e);
    return pass;
}

ReportInput HostReportInput(TFormReg1& frame) {
    ReportInput input;
    IYantProjectManager* pm = frame.host().projectManager.get();
    if (pm) {
        com::TaskStringOut group;
        pm->GetProjectGroupFile(group.put());
        input.project.groupFile = group.str();
    }
    input.project.plcName = frame.plcName();
    if (auto app = com::Query<IYantApp>(frame.host().registerCentre.get())) {
        const std::pair<YantProjectField, std::string*> fields[] = {
            {kProjectAction, &input.project.action},
            {kProjectProgrammer, &input.project.programmer},
            {kProjectCompany, &input.project.company},
            {kProjectCopyright, &input.project.copyright},
        };
        for (auto [field, target] : fields) {
            com::TaskStringOut value;
            if (SUCCEEDED(app->GetProjectInfo(field, value.put()))) *target = value.str();
        }
    }
    input.controllerFile = frame.controllerFilePath();
    input.decimalSeparator = frame.toolkit().decimalSeparator;
    return input;
}

void ShowHelpTopic(TFormReg1& frame, const std::string& topic) {
    ShowHelp(frame.frontEnd().helpViewer(), frame.language(), "Velmora", topic, "");
}

}  // namespace velmora
