#pragma once
// What the frame asks of the host for the code generator and the report.
#include <string>
#include <string_view>

#include "codegen/Generator.h"
#include "report/ControllerReport.h"

namespace velmora {

class IniFile;
class TFormReg1;

// The code generator's view of the host: project directory, open PLC, PLC
// type and series, file registration, report rebuild, the toolkit's clock and
// the plug-in log.
GeneratorContext HostGeneratorContext(TFormReg1& frame);

// Runs the code generator for one controller against the host. Marks the
// frame's code as generated.
void GenerateWithHost(TFormReg1& frame, IniFile& controllerFile, std::string_view name);

// The compile-start pass against the host, the one `velmora generate` runs.
// Marks the frame's code as generated when any controller was.
PassResult GenerateAllWithHost(TFormReg1& frame, IniFile& controllerFile, const PassObserver& observer);

// Registers a written file ("Velmora\\Boiler.orv") with the host's project and
// tells the host's editor it changed. False when the host does not take it.
bool RegisterGeneratedFile(TFormReg1& frame, const std::string& hostRelativeName);

// The PLC series number from the host, -1 when the host does not tell.
int HostPlcSeries(const TFormReg1& frame);
// The PLC type index from the host, asked afresh; -1 when the host does not tell.
int HostPlcType(const TFormReg1& frame);

// The report's input: the host's project data and the open PLC's controller file.
ReportInput HostReportInput(TFormReg1& frame);

// The plug-in's help at a topic, in the frame's language.
void ShowHelpTopic(TFormReg1& frame, const std::string& topic);

}  // namespace velmora
