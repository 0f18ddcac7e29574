// The pages' own defaults must agree with the shared key table: an absent key
// read by a page and written back unchanged lands in the file as the page
// default the table names.
#include <algorithm>

#include "WizardTestSupport.h"
#include "controllers/ControllerKeys.h"
#include "base/ParseDecimal.h"
#include "wizard/OutputConfiguration.h"
#include "wizard/PidParameters.h"
#include "wizard/PidmaSettings.h"
#include "wizard/SetpointModification.h"
#include "wizard/SignalSource.h"

namespace velmora::wizard {
namespace {

class KeyTableAgreement : public testing::ControllerFileTest {
protected:
    // Every key the round trip wrote, compared with the table's page default.
    void expectPageDefaults(ControllerKind kind, const std::vector<std::string>& skip) {
        int compared = 0;
        for (const std::string& key : keys()) {
            if (std::find(skip.begin(), skip.end(), key) != skip.end()) continue;
            const ControllerKey* entry = FindControllerKey(key, kind);
            ASSERT_NE(entry, nullptr) << key;
            std::string expected = KeyDefault(*entry, Reader::Page);
            if (entry->type == KeyType::Boolean) expected = expected == "0" || expected.empty() ? "0" : "1";
            std::string written = value(key);
            if (entry->type == KeyType::Decimal) {
                EXPECT_DOUBLE_EQ(ParseDecimal(written), ParseDecimal(expected)) << key;
            } else {
                EXPECT_EQ(written, expected) << key;
            }
            ++compared;
        }
        EXPECT_GT(compared, 0);
    }
};

TEST_F(KeyTableAgreement, PidPages) {
    WritePidParameters(*file, section(), ReadPidParameters(*file, section(), ','), true);
    WriteSetpointModification(*file, section(), ReadSetpointModification(*file, section()));
    WriteOutputConfiguration(*file, section(), ReadOutputConfiguration(*file, section(), ','));
    for (int signal : {1, 2})
        WriteSignalSource(*file, section(), signal, ReadSignalSource(*file, section(), signal));
    // Y ranges are computed from the chosen mode row, not read.
    expectPageDefaults(ControllerKind::Pid, {"Y1Min", "Y1Max", "Y2Min", "Y2Max"});
}

TEST_F(KeyTableAgreement, PidmaPages) {
    file->writeString(section(), "Type", "PIDA");
    WritePidmaController(*file, section(), ReadPidmaController(*file, section(), '.'), true);
    WritePidmaAutotuner(*file, section(), ReadPidmaAutotuner(*file, section(), '.'));
    expectPageDefaults(ControllerKind::Pidma, {"Type"});
}

}  // namespace
}  // namespace velmora::wizard
