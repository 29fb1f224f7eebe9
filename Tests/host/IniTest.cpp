#include "Config.h"
#include "Paths.h"

#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace host;
using host::test::TestRoot;

TEST(IniDocument, ParsesSectionsKeysCommentsAndRepeats)
{
    const auto doc = FIniDocument::Parse("; comment\r\n[/Script/EngineSettings.GeneralProjectSettings]\r\n"
                                         "ProjectID = ABC123\r\nProjectName=Demo=2\n\n[Loc]\n+Cultures=en\n"
                                         "+Cultures=fr\n[loc]\n+Cultures=de\n");
    EXPECT_EQ(doc.Get("/script/enginesettings.generalprojectsettings", "projectid"), "ABC123");
    EXPECT_EQ(doc.Get("/Script/EngineSettings.GeneralProjectSettings", "ProjectName"), "Demo=2");
    EXPECT_EQ(doc.GetAll("Loc", "+Cultures"), (std::vector<std::string>{"en", "fr", "de"}));
    EXPECT_EQ(doc.Sections.size(), 2u);
    EXPECT_FALSE(doc.Get("Loc", "Missing"));
    EXPECT_FALSE(doc.Get("Nope", "ProjectID"));
}

TEST(IniDocument, SetReplacesFirstAddAppends)
{
    FIniDocument doc;
    doc.Set("S", "K", "1");
    doc.Set("s", "k", "2");
    doc.Add("S", "K", "3");
    EXPECT_EQ(doc.GetAll("S", "K"), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(doc.ToString(), "[S]\nK=2\nK=3\n");
}

TEST(IniDocument, AwkwardValuesSurviveSaveAndLoad)
{
    const std::string dir = TestRoot() + "ini_roundtrip/";
    std::filesystem::remove_all(dir);
    FIniDocument doc;
    const std::vector<std::string> values = {"",           "plain",       " padded ", "two\nlines",
                                             "\"quoted\"", "C:\\path\\x", "a=b;c"};
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        doc.Set("Section", "Key" + std::to_string(i), values[i]);
    }
    ASSERT_TRUE(doc.Save(dir + "sub/Engine.ini"));
    const auto loaded = FIniDocument::Load(dir + "sub/Engine.ini");
    ASSERT_TRUE(loaded);
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        EXPECT_EQ(loaded->Get("Section", "Key" + std::to_string(i)), values[i]) << i;
    }
    EXPECT_EQ(ReadIniValue(dir + "sub/Engine.ini", "Section", "Key1"), "plain");
    EXPECT_FALSE(ReadIniValue(dir + "missing.ini", "Section", "Key1"));
}
