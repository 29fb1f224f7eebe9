// The module in the real editor: loaded from build/bin by the editor's module manager, with
// the real registries, terminal, event loop and HTTP client; and the editor program's listings.
#include "Config.h"
#include "EditorHost.h"
#include "Paths.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace
{
namespace fs = std::filesystem;

// A project whose service address refuses connections, so a job ends at its first request.
std::string MakeProject(const std::string& name)
{
    static const testsupport::FTempFolder root("lirno-editor");
    const std::string dir = (root / name).string() + "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "Config");
    host::File::WriteAllText(dir + "Demo.project",
                             R"({"FileVersion": 1, "Name": "Demo", "Description": "test"})");
    host::FIniDocument user;
    user.Set("/Script/lirno.lirnoSetting", "Host", "http://127.0.0.1:1");
    host::File::WriteAllText(dir + "Saved/Config/User/Engine.ini", user.ToString());
    return dir;
}

class CapturedConsole
{
public:
    CapturedConsole() : Stream(open_memstream(&Buffer, &Size)), Console(Stream, false) {}
    ~CapturedConsole()
    {
        std::fclose(Stream);
        std::free(Buffer);
    }
    std::string Text()
    {
        std::fflush(Stream);
        return std::string(Buffer, Size);
    }

private:
    char* Buffer = nullptr;
    std::size_t Size = 0;
    std::FILE* Stream;

public:
    host::FConsole Console;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class EditorModule : public testing::Test
{
protected:
    EditorModule()
    {
        host::FEditorHostOptions options;
        std::string error;
        options.Project = *host::LoadProject(MakeProject("module"), error);
        options.EngineDir = LIRNO_ENGINE_DIR;
        options.Console = &Out.Console;
        options.LogToFile = false;
        options.UI.Browser = [](const std::string&) { return false; };
        Editor = std::make_unique<host::FEditorHost>(options);
        host::Install(Editor.get());
        Editor->ModuleManager().Discover({LIRNO_SOURCE_DIR}, Editor->Paths().ProjectDir() + "Plugins");
    }
    ~EditorModule() override
    {
        Editor->ModuleManager().ShutdownAll();
        Editor.reset();
        host::Install(nullptr);
    }
    const host::FMenuEntry* Entry(const std::string& menu) const
    {
        const auto* found = Editor->Menus().FindMenu(menu);
        if (!found)
        {
            return nullptr;
        }
        for (const auto& section : found->Sections)
        {
            if (!section.Entries.empty())
            {
                return &section.Entries.front();
            }
        }
        return nullptr;
    }

    CapturedConsole Out;
    std::unique_ptr<host::FEditorHost> Editor;
};

TEST_F(EditorModule, StartsRefusesASecondRunAndStartsAgainAfterShutdown)
{
    ASSERT_TRUE(Editor->ModuleManager().LoadModule("lirno")) << Out.Text();
    Editor->Menus().SetReady();
    EXPECT_NE(Editor->Settings().Find("Project", "Plugins", "PallantoSetting"), nullptr);
    EXPECT_NE(Editor->Styles().Find("lirnoStyle"), nullptr);
    const auto* entry = Entry("LevelEditor.MainMenu.Window");
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(Entry("LevelEditor.LevelEditorToolBar.PlayToolBar"), nullptr);
    EXPECT_EQ(Editor->ModuleManager().OwnerName(entry->Owner), "lirno");

    // The first run waits for its check-update answer; the second is refused meanwhile.
    const auto command = entry->Command;
    const auto list = entry->CommandList;
    ASSERT_TRUE(list->Execute(*command));
    ASSERT_TRUE(list->Execute(*command));
    Editor->EventLoop().RunUntilIdle();
    const std::string text = Out.Text();
    EXPECT_TRUE(Contains(text, "lirnoHelperLog: Log: Start Translate")) << text;
    EXPECT_TRUE(Contains(text, "message: Translation is running!")) << text;
    EXPECT_TRUE(Contains(text, "message: CheckUpdate error! StatusCode:0. Message:")) << text;
    EXPECT_LT(text.find("Translation is running!"), text.find("CheckUpdate error!"));

    Editor->ModuleManager().ShutdownAll();
    EXPECT_EQ(Editor->Settings().Find("Project", "Plugins", "PallantoSetting"), nullptr);
    EXPECT_EQ(Editor->Styles().Find("lirnoStyle"), nullptr);
    EXPECT_EQ(Editor->Bindings().Find("lirno"), nullptr);
    EXPECT_EQ(Entry("LevelEditor.MainMenu.Window"), nullptr);

    ASSERT_TRUE(Editor->ModuleManager().LoadModule("lirno"));
    EXPECT_NE(Editor->Bindings().FindCommand("lirno.PluginAction"), nullptr);
    EXPECT_NE(Entry("LevelEditor.MainMenu.Window"), nullptr);
}

struct FRun
{
    int Status = -1;
    std::string Out;
};

FRun RunEditor(const std::string& arguments)
{
    const std::string out = testing::TempDir() + "lirno_editor.out";
    const std::string command = std::string("'") + EDITOR_PATH + "' --plugins '" + LIRNO_SOURCE_DIR + "' " +
                                arguments + " </dev/null >'" + out + "' 2>&1";
    const int raw = std::system(command.c_str());
    FRun run;
    run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    host::File::ReadAllText(out, run.Out);
    return run;
}

TEST(EditorProgram, ListsTheModulesMenusAndSettingsAndRunsTheCommand)
{
    const std::string project = MakeProject("program");
    const FRun menus = RunEditor("menus '" + project + "'");
    EXPECT_EQ(menus.Status, 0) << menus.Out;
    EXPECT_TRUE(Contains(menus.Out, "LevelEditor.MainMenu.Window")) << menus.Out;
    EXPECT_TRUE(Contains(menus.Out, "LevelEditor.LevelEditorToolBar.PlayToolBar")) << menus.Out;
    EXPECT_TRUE(Contains(menus.Out, "lirno.PluginAction")) << menus.Out;
    EXPECT_TRUE(Contains(menus.Out, "Execute translation action")) << menus.Out;

    const FRun set = RunEditor("settings '" + project + "' PallantoSetting TranslatorProvider AWS");
    EXPECT_EQ(set.Status, 0) << set.Out;
    const FRun settings = RunEditor("settings '" + project + "' PallantoSetting");
    EXPECT_EQ(settings.Status, 0) << settings.Out;
    for (const char* key : {"Host", "API_KEY", "TranslatorProvider", "TranslateAll", "Auto_GatherText",
                            "Auto_CompileText", "Auto_GenerateWordCountReport", "AutoCheckUpdate", "AWS",
                            "Configure Pallanto localization translation Setting"})
    {
        EXPECT_TRUE(Contains(settings.Out, key)) << key << "\n" << settings.Out;
    }

    const FRun run = RunEditor("run '" + project + "' lirno.PluginAction --no --timeout 60");
    EXPECT_EQ(run.Status, 1) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "CheckUpdate error! StatusCode:0. Message:")) << run.Out;
}
} // namespace
