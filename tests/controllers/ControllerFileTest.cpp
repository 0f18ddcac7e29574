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

TEST(ControllerFile, ControllersAreTheSectionsWithANameInFileOrder) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "f.rglx",
                        "[Regulator B]\nName=B\n[Desktop]\nCount=1\n[Regulator Empty]\nName=\n"
                        "[Regulator A]\nName=A\n[Regulatory Old]\nName=Old\n");
    IniFile ini(dir / "f.rglx");
    const auto list = ListControllers(ini);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].section, "Regulator B");
    EXPECT_EQ(list[1].name, "A");
    EXPECT_EQ(list[2].section, "Regulatory Old");
    EXPECT_TRUE(ListControllers(IniFile(dir / "missing.rglx")).empty());
}

}  // namespace
}  // namespace velmora
