// The host's localization steps as the job runs them.
#include "lirnoTestSupport.h"

#include <filesystem>

namespace lirnotest
{
namespace
{
class LocalizationSteps : public PluginTest
{
protected:
    std::shared_ptr<lirno::lirnoHelper> Job = std::make_shared<lirno::lirnoHelper>();
};

TEST_F(LocalizationSteps, EachTargetRunsItsOwnProcessInTurn)
{
    Host->AddGameTarget("Menus", {"en"});
    Host->AddGameTarget("Story", {"en"});
    Host->Loc.ScriptStep({true, {"line 1\n", "", "line 2\n"}, 0});
    Job->CompileText();

    const auto calls = Host->Loc.StepCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].ConfigPath, Host->Folders.ProjectConfigDir() + "Localization/Game_Compile.ini");
    EXPECT_TRUE(calls[0].bUseProjectFile);
    EXPECT_TRUE(std::filesystem::exists(calls[2].ConfigPath)) << "the configuration is written first";
    ASSERT_EQ(Host->Ui.Dialogs.size(), 1u);
    EXPECT_EQ(Host->Ui.Dialogs[0]->Title, host::LocText("lirnoHelper", "CompileText...", "CompileText..."));
    EXPECT_EQ(Host->Ui.Dialogs[0]->Advances, (std::vector<double>{33, 33, 33}));
    EXPECT_FALSE(Host->Ui.Dialogs[0]->Open);
    EXPECT_EQ(Host->Log.Texts("lirnoHelperLog"),
              (std::vector<std::string>{
                  "CompileText Start", "CompileText:Game", "=== Starting Task [CompileText] ===",
                  "===> Task [CompileText] returned : 0", "CompileText:Menus",
                  "=== Starting Task [CompileText] ===", "===> Task [CompileText] returned : 0",
                  "CompileText:Story", "=== Starting Task [CompileText] ===",
                  "===> Task [CompileText] returned : 0", "CompileText Done"}));
}

TEST_F(LocalizationSteps, FailuresAreLoggedAndTheStepGoesOn)
{
    Host->AddGameTarget("Menus", {"en"});
    Host->AddGameTarget("Story", {"en"});
    Host->Loc.ScriptStep({false, {}, std::nullopt});
    Host->Loc.ScriptStep({true, {"error\n"}, 1});
    Host->Loc.ScriptStep({true, {}, std::nullopt});
    Job->GatherText();

    std::vector<std::string> lines;
    for (const auto& line : Host->Log.Lines())
    {
        lines.push_back(std::string(host::ToString(line.Verbosity)) + " " + line.Text);
    }
    const std::vector<std::string> expected = {
        "Log GatherText Start",
        "Log GatherText:Game",
        "Warning Failed to start Task [Generate GatherText] !",
        "Log GatherText:Menus",
        "Log === Starting Task [Generate GatherText] ===",
        "Log ===> Task [Generate GatherText] returned : 1",
        "Log GatherText:Story",
        "Log === Starting Task [Generate GatherText] ===",
        "Log GatherText Done",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(Host->Loc.StepCalls().size(), 3u);
}

TEST_F(LocalizationSteps, NoTargetsMeansNoProcess)
{
    Host->Loc.SetGameTargets({});
    Job->GenerateWordCountReport();
    EXPECT_TRUE(Host->Loc.StepCalls().empty());
    EXPECT_EQ(Host->Log.Texts("lirnoHelperLog"),
              (std::vector<std::string>{"GenerateWordCountReport Start", "GenerateWordCountReport Done"}));
    ASSERT_EQ(Host->Ui.Dialogs.size(), 1u);
    EXPECT_EQ(Host->Ui.Dialogs[0]->Title.Source, "GenerateWordCountReports...");
    EXPECT_TRUE(Host->Ui.Dialogs[0]->Advances.empty());
    EXPECT_FALSE(Host->Ui.Dialogs[0]->Open);
}
} // namespace
} // namespace lirnotest
