#include "controllers/ProjectDescription.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "support/Support.h"

namespace velmora {
namespace {

TEST(ProjectDescription, ReadsProjectPlcsVariablesAndFilesInOrderOrNothingWithoutADescription) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "b.oprj", "[Project]\r\nName=Other\r\n");
    testing::WriteBytes(dir / "a.OPRJ",
                        "[Project]\r\nGroup=Plant.opgr\r\nName=Demo\r\nAction=Heating of hall B\r\n"
                        "Programmer=J. Novak\r\nCompany=Velmora Demo Works\r\nCopyright=(c) 2026\r\n"
                        "[PLC PLC2]\r\nType=14\r\nSeries=6\r\n[PLC PLC1]\r\nType=3\r\n"
                        "[Variables PLC2]\r\nBoiler_T=INT %R200\r\nValve=REAL %R210\r\n"
                        "[Files]\r\nFile2=b.orv\r\nFile10=c.orv\r\nFile1=main.orv\r\nNote=x\r\n");
    auto d = LoadProjectDescription(dir.path());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->file.filename(), "a.OPRJ");
    EXPECT_EQ(
        (std::vector<std::string>{d->name, d->group, d->action, d->programmer, d->company, d->copyright}),
        (std::vector<std::string>{"Demo", "Plant.opgr", "Heating of hall B", "J. Novak", "Velmora Demo Works",
                                  "(c) 2026"}));
    ASSERT_EQ(d->plcs.size(), 2u);
    EXPECT_EQ(d->plcs[0].name, "PLC2");
    EXPECT_EQ(d->plcs[0].type, 14);
    EXPECT_EQ(d->plcs[0].series, 6);
    EXPECT_EQ(d->plcs[1].series, -1);
    using Var = std::pair<std::string, std::string>;
    EXPECT_EQ(d->plcs[0].variables, (std::vector<Var>{{"Boiler_T", "INT %R200"}, {"Valve", "REAL %R210"}}));
    EXPECT_TRUE(d->plcs[1].variables.empty());
    EXPECT_EQ(d->files, (std::vector<std::string>{"main.orv", "b.orv", "c.orv"}));
    EXPECT_EQ(d->findPlc("plc1"), &d->plcs[1]);
    EXPECT_EQ(d->findPlc("PLC3"), nullptr);
    testing::TempDir other;
    testing::WriteBytes(other / "notes.txt", "x");
    EXPECT_FALSE(FindProjectDescription(other.path()));
    EXPECT_FALSE(LoadProjectDescription(other.path()));
    EXPECT_FALSE(LoadProjectDescription(dir / "missing"));
}

TEST(ProjectDescription, SavingTheFileListRewritesOnlyThatSection) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "p.oprj",
                        "[Project]\r\nName=Demo\r\n\r\n[Files]\r\nFile1=a.orv\r\nFile2=b.orv\r\n"
                        "File3=c.orv\r\n\r\n[PLC PLC1]\r\nType=1\r\n");
    auto d = LoadProjectDescription(dir.path());
    ASSERT_TRUE(d);
    d->files = {"x.orv", "Velmora\\Boiler.orv"};
    SaveProjectFiles(*d);
    EXPECT_EQ(testing::ReadBytes(dir / "p.oprj"),
              "[Project]\r\nName=Demo\r\n\r\n[Files]\r\nFile1=x.orv\r\nFile2=Velmora\\Boiler.orv\r\n"
              "\r\n[PLC PLC1]\r\nType=1\r\n");
    EXPECT_EQ(LoadProjectDescription(dir.path())->files, d->files);
    // Numbers written otherwise are replaced, keys past the list go, other keys stay.
    testing::WriteBytes(dir / "p.oprj", "[Files]\r\nfile2=b\r\nFile02=b\r\nNote=n\r\nFile3=c\r\n");
    d->files = {"a", "b"};
    SaveProjectFiles(*d);
    EXPECT_EQ(testing::ReadBytes(dir / "p.oprj"), "[Files]\r\nfile2=b\r\nNote=n\r\nFile1=a\r\n");
    EXPECT_EQ(LoadProjectDescription(dir.path())->files, d->files);
}

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
