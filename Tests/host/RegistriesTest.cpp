#include "Registries.h"

#include <gtest/gtest.h>

using namespace host;

namespace
{
std::shared_ptr<FUICommandInfo> MakeCommand(const std::string& context, const std::string& name)
{
    auto command = std::make_shared<FUICommandInfo>();
    command->ContextName = context;
    command->Name = name;
    return command;
}
} // namespace

TEST(SettingsRegistry, RegisterFindUnregister)
{
    FSettingsRegistry registry;
    registry.Register({"Project", "Plugins", "A", {}, {}, nullptr, nullptr});
    registry.Register({"Project", "Plugins", "A", LocText("n", "k", "again"), {}, nullptr, nullptr});
    ASSERT_EQ(registry.All().size(), 1u);
    EXPECT_EQ(registry.FindSection("A")->DisplayName.ToString(), "again");
    EXPECT_TRUE(registry.Find("Project", "Plugins", "A"));
    EXPECT_FALSE(registry.Unregister("Project", "Other", "A"));
    EXPECT_TRUE(registry.Unregister("Project", "Plugins", "A"));
    EXPECT_TRUE(registry.All().empty());
}

TEST(BindingRegistry, FindsCommandsByFullNameAndReplacesContexts)
{
    FBindingRegistry registry;
    auto context = std::make_shared<FBindingContext>();
    context->Name = "lirno";
    context->Commands.push_back(MakeCommand("lirno", "PluginAction"));
    registry.Add(context);
    EXPECT_EQ(registry.FindCommand("lirno.PluginAction"), context->Commands[0]);
    EXPECT_FALSE(registry.FindCommand("lirno.Other"));
    auto replacement = std::make_shared<FBindingContext>();
    replacement->Name = "lirno";
    registry.Add(replacement);
    EXPECT_EQ(registry.All().size(), 1u);
    EXPECT_FALSE(registry.FindCommand("lirno.PluginAction"));
    EXPECT_TRUE(registry.Remove("lirno"));
    EXPECT_FALSE(registry.Find("lirno"));
}

TEST(UICommandList, ExecutesMappedActionsRespectingCanExecute)
{
    FUICommandList list;
    const auto run = MakeCommand("c", "Run");
    const auto blocked = MakeCommand("c", "Blocked");
    int runs = 0;
    list.MapAction(run, [&] { ++runs; });
    list.MapAction(
        blocked, [&] { ++runs; }, [] { return false; });
    EXPECT_TRUE(list.Execute(*run));
    EXPECT_FALSE(list.Execute(*blocked));
    EXPECT_FALSE(list.Execute(*MakeCommand("c", "Unmapped")));
    EXPECT_TRUE(list.IsMapped(*blocked));
    EXPECT_EQ(runs, 1);
}

TEST(StyleRegistry, BrushesAndContentPaths)
{
    FStyleRegistry registry;
    auto style = std::make_shared<FStyleSet>("lirnoStyle");
    style->SetContentRoot("/plugins/lirno/Resources");
    FSlateImageBrush brush;
    brush.ImagePath = style->RootToContentDir("ButtonIcon_40x", ".png");
    style->Set("lirno.PluginAction", brush);
    registry.Register(style);
    ASSERT_EQ(registry.Find("lirnoStyle"), style);
    EXPECT_EQ(style->GetBrush("lirno.PluginAction")->ImagePath,
              "/plugins/lirno/Resources/ButtonIcon_40x.png");
    EXPECT_FALSE(style->GetBrush("missing"));
    registry.Unregister(*style);
    EXPECT_TRUE(registry.All().empty());
}

TEST(MenuSystem, StartupCallbacksRunOnceWhenReady)
{
    FMenuSystem menus;
    int owner = 0;
    int calls = 0;
    menus.RegisterStartupCallback(&owner, [&] { ++calls; });
    menus.RegisterStartupCallback(&calls, [&] { calls += 10; });
    menus.UnregisterStartupCallbacks(&calls);
    EXPECT_EQ(menus.StartupCallbackCount(), 1u);
    menus.SetReady();
    menus.SetReady();
    EXPECT_EQ(calls, 1);
    menus.RegisterStartupCallback(&owner, [&] { ++calls; });
    EXPECT_EQ(calls, 2);
}

TEST(MenuSystem, UnregisterOwnerRemovesOnlyItsEntries)
{
    FMenuSystem menus;
    int mine = 0;
    int theirs = 0;
    const auto command = MakeCommand("c", "Run");
    auto list = std::make_shared<FUICommandList>();
    menus.ExtendMenu("Main").FindOrAddSection("S").AddMenuEntry(command, list, &mine);
    menus.ExtendMenu("Main").FindOrAddSection("S").AddMenuEntry(command, list, &theirs);
    menus.ExtendMenu("Bar").FindOrAddSection("T").AddToolbarButton(command, &mine).SetCommandList(list);
    EXPECT_EQ(menus.Menus().size(), 2u);
    EXPECT_EQ(menus.FindMenu("Bar")->Sections[0].Entries[0].CommandList, list);
    menus.UnregisterOwner(&mine);
    EXPECT_EQ(menus.FindMenu("Main")->Sections[0].Entries.size(), 1u);
    EXPECT_EQ(menus.FindMenu("Main")->Sections[0].Entries[0].Owner, &theirs);
    EXPECT_TRUE(menus.FindMenu("Bar")->Sections[0].Entries.empty());
}

TEST(MenuSystem, ReferencesStayValidWhileOthersComeAndGo)
{
    FMenuSystem menus;
    int mine = 0;
    int theirs = 0;
    const auto command = MakeCommand("c", "Run");
    FMenu& menu = menus.ExtendMenu("Main");
    FMenuSection& section = menu.FindOrAddSection("S");
    FMenuEntry& entry = section.AddMenuEntry(command, nullptr, &mine);
    // Enough growth to move every item of a contiguous store several times over.
    for (int i = 0; i < 200; ++i)
    {
        const std::string name = "N" + std::to_string(i);
        menus.ExtendMenu(name).FindOrAddSection(name).AddMenuEntry(command, nullptr, &theirs);
        menu.FindOrAddSection(name).AddToolbarButton(command, &theirs);
        section.AddToolbarButton(command, &theirs);
    }
    menus.UnregisterOwner(&theirs);

    const auto list = std::make_shared<FUICommandList>();
    entry.SetCommandList(list);
    EXPECT_EQ(&menus.ExtendMenu("Main"), &menu);
    EXPECT_EQ(&menu.FindOrAddSection("S"), &section);
    ASSERT_EQ(menus.FindMenu("Main")->Sections[0].Entries.size(), 1u);
    EXPECT_EQ(menus.FindMenu("Main")->Sections[0].Entries[0].CommandList, list);
    EXPECT_EQ(menus.Menus().size(), 201u);
    EXPECT_EQ(menu.Sections.size(), 201u);
}

TEST(PluginRegistry, ARegisteredAgainPluginKeepsItsPlace)
{
    FPluginRegistry registry;
    registry.Add({"A", "/a/", "/a/A.plugin", "1"});
    registry.Add({"B", "/b/", "/b/B.plugin", "1"});
    registry.Add({"A", "/moved/", "/moved/A.plugin", "2"});
    ASSERT_EQ(registry.All().size(), 2u);
    EXPECT_EQ(registry.All()[0].Version, "2");
    EXPECT_EQ(registry.BaseDir("A"), "/moved/");
    EXPECT_FALSE(registry.Find("C"));
}
