#include "controllers/ControllerFile.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/Support.h"

namespace velmora {
namespace {

TEST(ControllerFile, FolderIsCreatedOnceAndAnExistingOneIsUsedWhateverItsCase) {
    testing::TempDir project;
    const auto path = PrepareControllerFile(project.path(), "PLC1");
    EXPECT_EQ(path, project / "Velmora" / "PLC1.rglx");
    EXPECT_TRUE(std::filesystem::is_directory(project / "Velmora"));
    EXPECT_FALSE(std::filesystem::exists(path));

    testing::TempDir other;
    std::filesystem::create_directory(other / "VELMORA");
    testing::WriteBytes(other / "VELMORA" / "plc1.RGLX", "[Regulator A]\r\nName=A\r\n");
    const auto found = PrepareControllerFile(other.path(), "PLC1");
    EXPECT_EQ(found, other / "VELMORA" / "plc1.RGLX");
    EXPECT_FALSE(std::filesystem::exists(other / "Velmora"));
    EXPECT_EQ(IniFile(found).readString("Regulator A", "Name", ""), "A");
}

}  // namespace
}  // namespace velmora
