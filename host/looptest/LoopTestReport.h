#pragma once
// What a loop-test run prints and writes: one line per case with the failed
// expectations below it, the closing count, the JUnit XML report and a
// case's trace as CSV. Pure text builders; nothing here depends on time or
// place, so the same results give the same bytes.
#include <string>
#include <vector>

#include "host/looptest/LoopTestEval.h"
#include "host/looptest/LoopTestFile.h"

namespace velmora::looptest {

struct CaseResult {
    const Case* c = nullptr;
    std::vector<Verdict> verdicts;  // one per expectation, when it ran
    std::string error;              // why the case could not run
    std::string log;                // what the session said while it ran
    bool passed() const;
};

// "PASS name (file:line)" or "FAIL ...", then for a failure one line per
// failed expectation: "  file:line: expect TEXT: measured FIGURE, broke at T".
std::string CaseLines(const CaseResult& result);
// "N passed, N failed".
std::string SummaryLine(const std::vector<CaseResult>& results);
// A JUnit report: one test suite per file, one test case per case.
std::string JUnitXml(const std::vector<CaseResult>& results);
// "time,COLUMN..." then a row per sample, seconds and values; a sample
// without a value is an empty cell.
std::string TraceCsv(const Trace& trace);
// Text for an XML attribute or element: markup escaped, control characters
// and bytes that are no UTF-8 replaced by "?".
std::string XmlText(std::string_view text);

}  // namespace velmora::looptest
