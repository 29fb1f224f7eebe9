#include "LocalizationService.h"
#include "DemoProject.h"

#include "Config.h"

#include <gtest/gtest.h>

#include <fstream>

using host::ELocalizationStep;

namespace
{
std::vector<std::string> Names(const std::vector<host::FLocalizationTargetRef>& targets)
{
    std::vector<std::string> names;
    for (const auto& target : targets)
    {
        names.push_back(target->Name);
    }
    return names;
}

TEST(LocalizationService, DemoProjectHasTwoGameTargetsAndNoEngineTargets)
{
    loctest::FDemoProject demo;
    const auto service = host::CreateLocalizationService(demo.Paths());
    const auto targets = service->GameTargets();
    ASSERT_EQ(Names(targets), (std::vector<std::string>{"Game", "Menus"}));
    EXPECT_EQ(targets[0]->NativeCultureIndex, 0);
    EXPECT_EQ(targets[0]->SupportedCultures, (std::vector<std::string>{"en", "es", "ca", "de", "fr", "ja", "qps"}));
    EXPECT_TRUE(service->EngineTargets().empty());
    EXPECT_FALSE(service->IsEngineTarget(*targets[0]));
    EXPECT_EQ(service->GameTargets()[1].get(), targets[1].get())
        << "unchanged settings give the same targets";
}

TEST(LocalizationService, TargetsAreKeptExactlyAsConfiguredEvenWhenInvalid)
{
    loctest::FDemoProject demo;
    demo.Write("Config/DefaultEditor.ini",
               "[Localization]\nTarget=A\nTarget=B\nTarget=C\nTarget=../Evil\nTarget=D\n"
               "[Localization.A]\nNativeCultureIndex=7\nCulture=de\nCulture=de\n"
               "[Localization.B]\nNativeCultureIndex=first\nCulture=en\n"
               "[Localization.C]\n[Localization.D]\nNativeCultureIndex=-2\n");
    const auto service = host::CreateLocalizationService(demo.Paths());
    const auto targets = service->GameTargets();
    ASSERT_EQ(Names(targets), (std::vector<std::string>{"A", "B", "C", "D"}))
        << "unusable names are left out";
    EXPECT_EQ(targets[0]->NativeCultureIndex, 7);
    EXPECT_EQ(targets[0]->SupportedCultures, (std::vector<std::string>{"de", "de"}));
    EXPECT_EQ(targets[1]->NativeCultureIndex, -1);
    EXPECT_EQ(targets[2]->NativeCultureIndex, -1);
    EXPECT_TRUE(targets[2]->SupportedCultures.empty());
    EXPECT_EQ(targets[3]->NativeCultureIndex, -2);
}

TEST(LocalizationService, EngineTargetsComeFromTheEngineConfigurationFolder)
{
    loctest::FDemoProject demo;
    std::ofstream(demo.EngineConfigDir() / "DefaultEditor.ini")
        << "[Localization]\nTarget=Engine\nTarget=Game\n[Localization.Engine]\nNativeCultureIndex=0\nCulture="
           "en\n";
    const auto service = host::CreateLocalizationService(demo.Paths());
    const auto engine = service->EngineTargets();
    ASSERT_EQ(Names(engine), (std::vector<std::string>{"Engine", "Game"}));
    EXPECT_TRUE(service->IsEngineTarget(*engine[0]));
    EXPECT_TRUE(service->IsEngineTarget(*engine[1]));
    EXPECT_FALSE(service->IsEngineTarget(*service->GameTargets()[0])) << "same name, but the project's own";
    host::FLocalizationTarget copy = *engine[0];
    EXPECT_TRUE(service->IsEngineTarget(copy));
    EXPECT_EQ(service->ConfigPath(*engine[0], ELocalizationStep::CompileText),
              demo.Paths().EngineConfigDir() + "Localization/Engine_CompileText.ini");
}

TEST(LocalizationService, ConfigurationsAreNamedAfterTargetAndStepAndCarryTheCommonSettings)
{
    loctest::FDemoProject demo;
    const auto service = host::CreateLocalizationService(demo.Paths());
    const auto game = service->GameTargets()[0];
    const std::string config = demo.Paths().ProjectConfigDir() + "Localization/";
    EXPECT_EQ(service->ConfigPath(*game, ELocalizationStep::GatherText), config + "Game_GatherText.ini");
    EXPECT_EQ(service->ConfigPath(*game, ELocalizationStep::CompileText), config + "Game_CompileText.ini");
    EXPECT_EQ(service->ConfigPath(*game, ELocalizationStep::WordCountReport),
              config + "Game_WordCountReport.ini");

    const std::string path = service->ConfigPath(*game, ELocalizationStep::GatherText);
    ASSERT_TRUE(service->WriteConfig(service->GenerateConfig(*game, ELocalizationStep::GatherText), path));
    const auto value = [&](const char* section, const char* key)
    { return host::ReadIniValue(path, section, key).value_or("<absent>"); };
    EXPECT_EQ(value("CommonSettings", "SourcePath"), "Content/Localization/Game");
    EXPECT_EQ(value("CommonSettings", "DestinationPath"), "Content/Localization/Game");
    EXPECT_EQ(value("CommonSettings", "ManifestName"), "Game.manifest");
    EXPECT_EQ(value("CommonSettings", "ArchiveName"), "Game.archive");
    EXPECT_EQ(value("CommonSettings", "NativeCulture"), "en");
    EXPECT_EQ(value("Step", "StringTables"), "Content/StringTables/Game");
    const auto document = host::FIniDocument::Load(path);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->GetAll("CommonSettings", "Culture").size(), 7u);
}

TEST(LocalizationService, StepThatCannotBeStartedGivesNothing)
{
    loctest::FDemoProject demo;
    // An engine folder without bin/localization-step.
    class FPaths final : public host::IPaths
    {
    public:
        explicit FPaths(const host::IPaths& inner) : Inner(inner) {}
        std::string ProjectDir() const override { return Inner.ProjectDir(); }
        std::string ProjectConfigDir() const override { return Inner.ProjectConfigDir(); }
        std::string ProjectSavedDir() const override { return Inner.ProjectSavedDir(); }
        std::string EngineDir() const override { return Inner.ProjectDir() + "NoEngine/"; }
        std::string EngineConfigDir() const override { return Inner.EngineConfigDir(); }
        std::string ProjectFilePath() const override { return Inner.ProjectFilePath(); }

    private:
        const host::IPaths& Inner;
    } paths(demo.Paths());
    const auto service = host::CreateLocalizationService(paths);
    EXPECT_EQ(service->StartStep(paths.ProjectConfigDir() + "Localization/Game_GatherText.ini", true),
              nullptr);
}
} // namespace
