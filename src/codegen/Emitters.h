#pragma once
// The emitters of a generation run: frame pieces (banners, constants block,
// footers, CRC macro) and the declaration and code sections of each
// controller kind and dialect. Each appends added lines to a buffer.
#include "base/Toolkit.h"
#include "codegen/ControllerSettings.h"
#include "codegen/RegisterPlacement.h"
#include "codegen/SourceBuffer.h"

namespace velmora::codegen {

// Frame pieces.
void EmitIecBanner(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text);
void EmitMnemonicBanner(SourceBuffer& out, GeneratorTexts& text);
void EmitIecConstants(SourceBuffer& out, const ControllerFrame& c);
void EmitMnemonicConstants(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text);
void EmitIecFooter(SourceBuffer& out, const ControllerFrame& c, const LocalTime& stamp, GeneratorTexts& text);
void EmitMnemonicFooter(SourceBuffer& out, const LocalTime& stamp, GeneratorTexts& text);
std::string FormatStamp(const LocalTime& t);

// The macro that makes the CRC instruction from crc16 on PLCs without CRCM.
// Due only with mnemonic declarations and retained parameters, and not on
// series 6 and 7.
bool CrcMacroDue(const ControllerFrame& c);
std::string CrcMacro(GeneratorTexts& text);

// PID controller.
void EmitPidIecDeclarations(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p,
                            GeneratorTexts& text);
void EmitPidMnemonicDeclarations(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p,
                                 GeneratorTexts& text);
void EmitPidCode(SourceBuffer& out, const ControllerFrame& c, const PidSettings& p, GeneratorTexts& text);

// PIDMA controller.
void EmitPidmaIecDeclarations(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text);
void EmitPidmaMnemonicDeclarations(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text);
void EmitPidmaCode(SourceBuffer& out, const ControllerFrame& c, const PidaSettings& p, GeneratorTexts& text);

// Shared by both code emitters.
// A variable name from the settings as an operand: a "." followed by a
// character above '9' (a structure member, not a bit number) becomes "~".
std::string OperandName(std::string_view name);
// A stored decimal as a PLC real constant: 0 is "0", a comma becomes a point,
// and a whole number gets a point appended ("7" -> "7.").
std::string RealConstant(std::string_view stored);
// Compile-time existence check of a variable the code uses; none for a direct operand.
void EmitExistenceCheck(SourceBuffer& out, std::string_view variable, GeneratorTexts& text);
// "#ifndef name_Definitions" guard against a missing or later declarations file.
void EmitDefinitionsGuard(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text);
void EmitRestartProcesses(SourceBuffer& out, const ControllerFrame& c);
// Start address and CRC instruction of a retained zone ("\tLD __offset(x)" or "\tLD __indx(x)").
std::string ZoneStart(const ControllerFrame& c, std::string_view variable);
std::string CrcInstruction(const ControllerFrame& c);

}  // namespace velmora::codegen
