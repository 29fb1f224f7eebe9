// The real step process on copies of the demo project, started through the editor's service.
#include "DemoProject.h"
#include "LocalizationService.h"

#include "LocFormat/CompiledResource.h"
#include "LocFormat/Origin.h"
#include "LocFormat/TextFiles.h"
#include "LocFormat/WordCount.h"
#include "LocFormat/WordCountReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using host::ELocalizationStep;
using loctest::FStepRun;

namespace
{
// "YYYY-MM-DD hh:mm:ss"
bool LooksLikeDateTime(const std::string& text)
{
    const std::string shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
    {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i])
            return false;
    }
    return true;
}

class LocalizationStep : public ::testing::Test
{
protected:
    FStepRun Run(const std::string& target, ELocalizationStep step)
    {
        for (const host::FLocalizationTargetRef& candidate : Service->GameTargets())
        {
            if (candidate->Name == target)
            {
                const std::string path = Service->ConfigPath(*candidate, step);
                EXPECT_TRUE(Service->WriteConfig(Service->GenerateConfig(*candidate, step), path));
                return RunConfig(path);
            }
        }
        ADD_FAILURE() << "no target " << target;
        return {};
    }

    FStepRun RunConfig(const std::string& path)
    {
        auto process = Service->StartStep(path, true);
        if (!process)
        {
            ADD_FAILURE() << "the step process did not start";
            return {};
        }
        return loctest::RunToEnd(*process);
    }

    std::string GameDir() const { return (Demo.Dir() / "Content/Localization/Game").string(); }

    locformat::FArchive Archive(const std::string& culture) const
    {
        locformat::FArchive archive;
        std::string error;
        EXPECT_TRUE(locformat::ReadArchive(GameDir() + "/" + culture + "/Game.archive", archive, error))
            << error;
        return archive;
    }

    void SaveArchive(const locformat::FArchive& archive) const
    {
        std::string error;
        ASSERT_TRUE(
            locformat::WriteArchive(GameDir() + "/" + archive.Culture + "/Game.archive", archive, error));
    }

    loctest::FDemoProject Demo;
    std::unique_ptr<host::ILocalization> Service = host::CreateLocalizationService(Demo.Paths());
};

TEST_F(LocalizationStep, GatherWritesTheManifestAndAnArchivePerCulture)
{
    fs::remove_all(Demo.Dir() / "Content/Localization");
    const FStepRun run = Run("Game", ELocalizationStep::GatherText);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Gathered 25 texts"), std::string::npos) << run.Output;

    locformat::FManifest manifest;
    std::string error;
    ASSERT_TRUE(locformat::ReadManifest(GameDir() + "/Game.manifest", manifest, error)) << error;
    EXPECT_EQ(manifest.NativeCulture, "en");
    ASSERT_EQ(manifest.Entries.size(), 25u);
    const locformat::FManifestEntry* greeting = manifest.Find("Dialogue", "Greeting");
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(greeting->Source, "Hello, {PlayerName}! Welcome to the village.");
    EXPECT_EQ(manifest.Find("Dialogue", "Riddle")->Source,
              "\"What walks on four legs in the morning?\" the sphinx asks.");
    EXPECT_EQ(manifest.Find("Dialogue", "Multiline")->Source, "The gate is closed.\nCome back at dawn.");
    EXPECT_NE(manifest.Find("Items", "Sword"), nullptr)
        << "a table without a Namespace column uses its file name";

    for (const std::string culture : {"en", "es", "ca", "de", "fr", "ja", "qps"})
    {
        const locformat::FArchive archive = Archive(culture);
        ASSERT_EQ(archive.Entries.size(), 25u) << culture;
        for (const locformat::FArchiveEntry& entry : archive.Entries)
        {
            EXPECT_EQ(entry.Translation, culture == "en" ? entry.Source : "") << culture << " " << entry.Key;
        }
    }
}

TEST_F(LocalizationStep, SampleProjectShipsUpToDateConfigurationsAndTexts)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(Demo.Dir()))
    {
        const std::string relative = entry.path().lexically_relative(Demo.Dir()).generic_string();
        if (entry.is_regular_file() &&
            (relative.starts_with("Config/Localization/") || relative.starts_with("Content/Localization/")))
        {
            files.push_back(relative);
        }
    }
    ASSERT_EQ(files.size(), 2u * (3 + 1 + 7));
    std::map<std::string, std::string> shipped;
    for (const std::string& file : files)
    {
        shipped[file] = Demo.Read(file);
    }
    for (const std::string target : {"Game", "Menus"})
    {
        for (const ELocalizationStep step :
             {ELocalizationStep::CompileText, ELocalizationStep::WordCountReport})
        {
            const auto ref = Service->GameTargets()[target == "Game" ? 0 : 1];
            ASSERT_TRUE(
                Service->WriteConfig(Service->GenerateConfig(*ref, step), Service->ConfigPath(*ref, step)));
        }
        ASSERT_EQ(Run(target, ELocalizationStep::GatherText).ExitCode, 0);
    }
    for (const auto& [file, text] : shipped)
    {
        EXPECT_EQ(Demo.Read(file), text) << file << " differs from what the editor and the steps make";
    }
    EXPECT_EQ(Archive("es").Find("Dialogue", "Greeting")->Translation,
              "¡Hola, {PlayerName}! Bienvenido a la aldea.");
}

TEST_F(LocalizationStep, SecondGatherKeepsTranslationsAddsNewTextsAndDropsRemovedOnes)
{
    ASSERT_EQ(Run("Game", ELocalizationStep::GatherText).ExitCode, 0);
    locformat::FArchive es = Archive("es");
    for (locformat::FArchiveEntry& entry : es.Entries)
    {
        entry.Translation = "ES<b>{0}</b> «" + entry.Key + "» {PlayerName}\\n\"";
    }
    es.Find("HUD", "Mana")->Translation = "Maná";
    es.Find("Dialogue", "Greeting")->OtherFields = {{"Origin", "\"machine:apertium\""}};
    locformat::SetOrigin(*es.Find("HUD", "Checkpoint"), "machine:apertium");
    SaveArchive(es);

    // One text added, one removed, one whose source changed.
    std::string hud = Demo.Read("Content/StringTables/Game/HUD.csv");
    hud.replace(hud.find("HUD,Mana,Mana\n"), 14, "");
    hud.replace(hud.find("Checkpoint reached"), 18, "Checkpoint reached!");
    hud += "HUD,Stamina,Stamina {0}/{1}\n";
    Demo.Write("Content/StringTables/Game/HUD.csv", hud);

    const FStepRun run = Run("Game", ELocalizationStep::GatherText);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    const locformat::FArchive updated = Archive("es");
    EXPECT_EQ(updated.Entries.size(), 25u);
    EXPECT_EQ(updated.Find("HUD", "Mana"), nullptr);
    ASSERT_NE(updated.Find("HUD", "Stamina"), nullptr);
    EXPECT_FALSE(updated.Find("HUD", "Stamina")->IsTranslated());
    EXPECT_FALSE(updated.Find("HUD", "Checkpoint")->IsTranslated()) << "made for the old source text";
    EXPECT_EQ(locformat::GetOrigin(*updated.Find("HUD", "Checkpoint")), "") << "the mark went with the translation";
    EXPECT_EQ(updated.Find("HUD", "Checkpoint")->Source, "Checkpoint reached!");
    EXPECT_EQ(updated.Find("Dialogue", "Greeting")->Translation, "ES<b>{0}</b> «Greeting» {PlayerName}\\n\"");
    EXPECT_EQ(updated.Find("Dialogue", "Greeting")->OtherFields,
              es.Find("Dialogue", "Greeting")->OtherFields);

    const locformat::FArchive en = Archive("en");
    EXPECT_EQ(en.Find("HUD", "Stamina")->Translation, "Stamina {0}/{1}");
    EXPECT_EQ(en.Find("HUD", "Mana"), nullptr);
}

TEST_F(LocalizationStep, CompileUsesCurrentTranslationsAndFallsBackToSources)
{
    ASSERT_EQ(Run("Game", ELocalizationStep::GatherText).ExitCode, 0);
    locformat::FArchive de = Archive("de");
    de.Find("HUD", "Health")->Translation = "Gesundheit";
    // Where a translation came from does not change what the game shows.
    locformat::SetOrigin(*de.Find("HUD", "Health"), "machine:apertium");
    locformat::SetOrigin(*de.Find("HUD", "Mana"), "pseudo");
    de.Find("HUD", "Gold")->Translation = "{0} Gold";
    de.Find("HUD", "Gold")->Source = "an older source";
    SaveArchive(de);
    fs::remove(GameDir() + "/ja/Game.archive");

    const FStepRun run = Run("Game", ELocalizationStep::CompileText);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("ja gets the source texts"), std::string::npos) << run.Output;

    locformat::FCompiledResource resource;
    std::string error;
    ASSERT_TRUE(locformat::ReadCompiledResource(GameDir() + "/de/Game.resource", resource, error)) << error;
    EXPECT_EQ(resource.Culture, "de");
    ASSERT_EQ(resource.Texts.size(), 25u);
    std::map<std::string, std::string> texts;
    for (const locformat::FCompiledText& text : resource.Texts)
    {
        texts[text.Namespace + "/" + text.Key] = text.Text;
    }
    EXPECT_EQ(texts["HUD/Health"], "Gesundheit");
    EXPECT_EQ(texts["HUD/Gold"], "{0} gold") << "a translation of another source is stale";
    EXPECT_EQ(texts["HUD/Mana"], "Mana");
    EXPECT_EQ(resource.Texts.front().SourceHash,
              locformat::HashSourceText("Hello, {PlayerName}! Welcome to the village."));
    EXPECT_TRUE(fs::exists(GameDir() + "/ja/Game.resource"));
}

TEST_F(LocalizationStep, ReportAppendsOneRowPerRunWithWordCounts)
{
    ASSERT_EQ(Run("Menus", ELocalizationStep::GatherText).ExitCode, 0);
    const std::string dir = (Demo.Dir() / "Content/Localization/Menus").string();
    locformat::FArchive fr;
    std::string error;
    ASSERT_TRUE(locformat::ReadArchive(dir + "/fr/Menus.archive", fr, error));
    fr.Find("MainMenu", "NewGame")->Translation = "Nouvelle partie";
    fr.Find("MainMenu", "Welcome")->Translation = "Bon retour, {PlayerName} !";
    fr.Find("MainMenu", "Quit")->Translation = "Quitter le jeu";
    locformat::SetOrigin(*fr.Find("MainMenu", "Quit"), "machine:apertium");
    fr.Find("MainMenu", "Settings")->Translation = "[Séttîîngs]";
    locformat::SetOrigin(*fr.Find("MainMenu", "Settings"), "pseudo");
    ASSERT_TRUE(locformat::WriteArchive(dir + "/fr/Menus.archive", fr, error));

    ASSERT_EQ(Run("Menus", ELocalizationStep::WordCountReport).ExitCode, 0);
    const FStepRun second = Run("Menus", ELocalizationStep::WordCountReport);
    ASSERT_EQ(second.ExitCode, 0) << second.Output;

    locformat::FWordCountReport report;
    ASSERT_TRUE(locformat::ReadWordCountReport(dir + "/Menus.csv", report, error)) << error;
    std::vector<std::string> columns{"Date/Time", "Source"};
    for (const std::string culture : {"en", "es", "ca", "de", "fr", "ja", "qps"})
    {
        columns.insert(columns.end(), {culture, culture + " machine", culture + " pseudo"});
    }
    EXPECT_EQ(report.Columns, columns);
    ASSERT_EQ(report.Rows.size(), 2u);
    const auto cell = [&](const std::string& column)
    {
        const auto at = std::find(report.Columns.begin(), report.Columns.end(), column);
        return at == report.Columns.end() ? "?" : report.Rows[1][static_cast<std::size_t>(at - report.Columns.begin())];
    };
    EXPECT_TRUE(LooksLikeDateTime(report.Rows[1][0])) << report.Rows[1][0];
    EXPECT_EQ(cell("Source"), cell("en")) << "the native culture translates every source";
    EXPECT_EQ(cell("es"), "0");
    EXPECT_EQ(cell("fr"), "4"); // Nouvelle partie / Bon retour, {PlayerName} !
    EXPECT_EQ(cell("fr machine"), "3");
    EXPECT_EQ(cell("fr pseudo"), "1");
    EXPECT_EQ(cell("de machine"), "0");
}

TEST_F(LocalizationStep, PlugInFilesAndOtherCsvFilesInTheLocalizationFolderAreIgnored)
{
    Demo.Write("Config/DefaultEditor.ini",
               "[Localization]\nTarget=Game\n[Localization.Game]\nNativeCultureIndex=0\n"
               "Culture=en\nCulture=es\nStringTables=Content\n");
    Demo.Write("Content/Localization/lirno_bak.zip", "PK\x05\x06");
    Demo.Write("Content/Localization/lirno_tmp_processed.bin", "\x01\x02");
    Demo.Write("Content/Localization/Game/Game.csv", "Date/Time,Source\n2026-01-01 00:00:00,3\n");
    const FStepRun run = Run("Game", ELocalizationStep::GatherText);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_NE(run.Output.find("Gathered 43 texts"), std::string::npos) << run.Output;
}

// Failures: non-zero exit code and a message that names the file (and value) at fault, and the
// target's existing files left as they were.
TEST_F(LocalizationStep, BrokenConfigurationFailsNamingTheFileAndKey)
{
    const std::string path = (Demo.Dir() / "Config/Localization/Broken.ini").string();
    Demo.Write("Config/Localization/Broken.ini",
               "[CommonSettings]\nTarget=Game\nSourcePath=Content/Localization/Game\n"
               "DestinationPath=Content/Localization/Game\nArchiveName=Game.archive\n"
               "[Step]\nName=GatherText\n");
    FStepRun run = RunConfig(path);
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find(path + ": [CommonSettings] ManifestName is missing"), std::string::npos)
        << run.Output;

    Demo.Write("Config/Localization/Broken.ini",
               "[CommonSettings]\nTarget=Game\nSourcePath=x\nDestinationPath=x\n"
               "ManifestName=../../evil\nArchiveName=a\n[Step]\nName=GatherText\n");
    run = RunConfig(path);
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("ManifestName \"../../evil\" is not a plain file name"), std::string::npos)
        << run.Output;

    run = RunConfig((Demo.Dir() / "Config/Localization/Missing.ini").string());
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("Missing.ini: the configuration file does not exist"), std::string::npos)
        << run.Output;
}

TEST_F(LocalizationStep, DamagedProjectFileFailsNamingIt)
{
    Demo.Write("Demo.project", "{\"Name\": ");
    const FStepRun run = Run("Game", ELocalizationStep::GatherText);
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("Demo.project: not a project file"), std::string::npos) << run.Output;
}

TEST_F(LocalizationStep, InvalidNativeCultureIndexFailsTheStep)
{
    std::string settings = Demo.Read("Config/DefaultEditor.ini");
    settings.replace(settings.find("NativeCultureIndex=0"), 20, "NativeCultureIndex=9");
    Demo.Write("Config/DefaultEditor.ini", settings);
    const FStepRun run = Run("Game", ELocalizationStep::GatherText);
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("Game_GatherText.ini: [CommonSettings] NativeCulture is missing"),
              std::string::npos)
        << run.Output;
}

TEST_F(LocalizationStep, UnreadableStringTableFailsNamingTheFile)
{
    struct FCase
    {
        std::string Content;
        std::string Expected;
    };
    const std::vector<FCase> cases{
        {"Namespace,Key,Source\nA,B,\"never closed\n", "Broken.csv:2: quoted field is not closed"},
        {"Namespace,Key,Source\nA,B,caf\xE9\n", "Broken.csv:2: not valid UTF-8 text"},
        {"Name,Text\nA,B\n", "Broken.csv:1: the header needs the columns Key and Source"},
        {"Namespace,Key,Source\nA,B\n", "Broken.csv:2: 2 cells where the header has 3"},
        {"Namespace,Key,Source\nDialogue,Farewell,Goodbye.\n", "has a different source text at"},
    };
    const std::string manifest = Demo.Read("Content/Localization/Game/Game.manifest");
    for (const FCase& c : cases)
    {
        Demo.Write("Content/StringTables/Game/Broken.csv", c.Content);
        const FStepRun run = Run("Game", ELocalizationStep::GatherText);
        EXPECT_NE(run.ExitCode, 0) << c.Expected;
        EXPECT_NE(run.Output.find(c.Expected), std::string::npos) << run.Output;
        EXPECT_EQ(Demo.Read("Content/Localization/Game/Game.manifest"), manifest);
    }
    fs::remove(Demo.Dir() / "Content/StringTables/Game/Broken.csv");
    fs::create_symlink(Demo.Dir() / "nowhere.csv", Demo.Dir() / "Content/StringTables/Game/Dangling.csv");
    const FStepRun run = Run("Game", ELocalizationStep::GatherText);
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("Dangling.csv"), std::string::npos) << run.Output;
}

TEST_F(LocalizationStep, MalformedArchiveIsReportedAndNotOverwritten)
{
    ASSERT_EQ(Run("Game", ELocalizationStep::GatherText).ExitCode, 0);
    const std::string broken = "{\"FormatVersion\": 1, \"Entries\": [{\"Namespace\": \"HUD\"";
    Demo.Write("Content/Localization/Game/fr/Game.archive", broken);
    for (const ELocalizationStep step :
         {ELocalizationStep::GatherText, ELocalizationStep::CompileText, ELocalizationStep::WordCountReport})
    {
        const FStepRun run = Run("Game", step);
        EXPECT_NE(run.ExitCode, 0);
        EXPECT_NE(run.Output.find("fr/Game.archive: malformed JSON"), std::string::npos) << run.Output;
    }
    EXPECT_EQ(Demo.Read("Content/Localization/Game/fr/Game.archive"), broken);
}

TEST_F(LocalizationStep, CompileWithoutManifestFailsNamingIt)
{
    fs::remove(Demo.Dir() / "Content/Localization/Menus/Menus.manifest");
    const FStepRun run = Run("Menus", ELocalizationStep::CompileText);
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("Menus/Menus.manifest: cannot be opened"), std::string::npos) << run.Output;
}
} // namespace
