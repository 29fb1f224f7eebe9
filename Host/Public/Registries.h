// The editor's registries that plug-ins add to: settings sections, input binding contexts and
// command lists, style sets, plug-in base folders, and menus/toolbars. Everything registered
// can be listed, and a reference one of them hands out stays valid until that item is removed.
// All of them are used from the main thread only.
#pragma once

#include "HostApi.h"
#include "NamedRegistry.h"
#include "Reflection.h"
#include "Text.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace host
{
// ---- settings sections ---------------------------------------------------------------------
struct FSettingsSection
{
    std::string Container; // "Project"
    std::string Category;  // "Plugins"
    std::string Section;   // "PallantoSetting"
    FText DisplayName;
    FText Description;
    const FStructInfo* Type = nullptr;
    void* Object = nullptr; // the edited object, owned elsewhere
};

// A section is known by container, category and section name together.
struct FSettingsSectionKey
{
    std::tuple<std::string_view, std::string_view, std::string_view>
    operator()(const std::shared_ptr<FSettingsSection>& s) const
    {
        return {s->Container, s->Category, s->Section};
    }
};
using FSettingsSections = TNamedRegistry<std::shared_ptr<FSettingsSection>, FSettingsSectionKey>;

class HOST_API FSettingsRegistry
{
public:
    std::shared_ptr<FSettingsSection> Register(FSettingsSection section);
    bool Unregister(const std::string& container, const std::string& category, const std::string& section);
    std::shared_ptr<FSettingsSection> Find(const std::string& container, const std::string& category,
                                           const std::string& section) const;
    // Finds by section name alone (the command line names sections that way).
    std::shared_ptr<FSettingsSection> FindSection(const std::string& section) const;
    const FSettingsSections& All() const { return Sections; }

private:
    FSettingsSections Sections;
};

// ---- commands --------------------------------------------------------------------------------
enum class EUserInterfaceActionType
{
    Button,
    ToggleButton,
    RadioButton,
    Check,
};

struct FUICommandInfo
{
    std::string ContextName; // "lirno"
    std::string Name;        // "PluginAction"
    FText Label;
    FText Description; // shown as tooltip
    EUserInterfaceActionType Kind = EUserInterfaceActionType::Button;
    std::string StyleSetName; // where the icon brush lives
    std::string IconBrush;    // "lirno.PluginAction"
    std::string FullName() const { return ContextName + "." + Name; }
};

struct FBindingContext
{
    std::string Name;
    FText Description;
    std::string Parent;
    std::string StyleSetName;
    std::vector<std::shared_ptr<FUICommandInfo>> Commands;
};

struct FBindingContextName
{
    const std::string& operator()(const std::shared_ptr<FBindingContext>& c) const { return c->Name; }
};
using FBindingContexts = TNamedRegistry<std::shared_ptr<FBindingContext>, FBindingContextName>;

class HOST_API FBindingRegistry
{
public:
    std::shared_ptr<FBindingContext> Find(const std::string& name) const;
    void Add(std::shared_ptr<FBindingContext> context); // replaces a context of the same name
    bool Remove(const std::string& name);
    void NotifyCommandsChanged() { ++CommandChanges; }
    unsigned ChangeCount() const { return CommandChanges; }
    const FBindingContexts& All() const { return Contexts; }
    // "context.command"
    std::shared_ptr<FUICommandInfo> FindCommand(const std::string& fullName) const;

private:
    FBindingContexts Contexts;
    unsigned CommandChanges = 0;
};

// Binds commands to actions; handed to menu entries.
class HOST_API FUICommandList
{
public:
    void MapAction(const std::shared_ptr<const FUICommandInfo>& command, std::function<void()> execute,
                   std::function<bool()> canExecute = {});
    bool IsMapped(const FUICommandInfo& command) const;
    bool CanExecute(const FUICommandInfo& command) const;
    // Runs the action; false when the command is unmapped or cannot execute.
    bool Execute(const FUICommandInfo& command) const;

private:
    struct FAction
    {
        std::function<void()> Execute;
        std::function<bool()> CanExecute;
    };
    std::map<std::string, FAction> Actions; // by full command name
};

// ---- styles ----------------------------------------------------------------------------------
struct FLinearColor
{
    float R = 1, G = 1, B = 1, A = 1;
};

enum class ESlateBrushTileType
{
    NoTile,
    Horizontal,
    Vertical,
    Both,
};
enum class ESlateBrushImageType
{
    NoImage,
    FullColor,
    Linear,
};

struct FSlateImageBrush
{
    std::string ImagePath;
    double Width = 0;
    double Height = 0;
    FLinearColor Tint;
    ESlateBrushTileType Tiling = ESlateBrushTileType::NoTile;
    ESlateBrushImageType ImageType = ESlateBrushImageType::FullColor;
};

class HOST_API FStyleSet
{
public:
    explicit FStyleSet(std::string name) : StyleSetName(std::move(name)) {}
    const std::string& Name() const { return StyleSetName; }
    void SetContentRoot(std::string root) { ContentRootDir = std::move(root); }
    // <content root>/<relative><extension>
    std::string RootToContentDir(const std::string& relative, const std::string& extension) const;
    void Set(const std::string& brushName, FSlateImageBrush brush)
    {
        BrushesByName[brushName] = std::move(brush);
    }
    const FSlateImageBrush* GetBrush(const std::string& brushName) const;
    const std::map<std::string, FSlateImageBrush>& Brushes() const { return BrushesByName; }

private:
    std::string StyleSetName;
    std::string ContentRootDir;
    std::map<std::string, FSlateImageBrush> BrushesByName;
};

struct FStyleSetName
{
    const std::string& operator()(const std::shared_ptr<FStyleSet>& s) const { return s->Name(); }
};
using FStyleSets = TNamedRegistry<std::shared_ptr<FStyleSet>, FStyleSetName>;

class HOST_API FStyleRegistry
{
public:
    void Register(std::shared_ptr<FStyleSet> style);
    void Unregister(const FStyleSet& style);
    std::shared_ptr<FStyleSet> Find(const std::string& name) const;
    const FStyleSets& All() const { return Styles; }

private:
    FStyleSets Styles;
};

// ---- plug-ins --------------------------------------------------------------------------------
struct FPluginInfo
{
    std::string Name;
    std::string BaseDir;        // folder holding the descriptor, ending in "/"
    std::string DescriptorPath; // "<BaseDir><Name>.plugin"
    std::string Version;
};

struct FPluginName
{
    const std::string& operator()(const FPluginInfo& p) const { return p.Name; }
};
using FPlugins = TNamedRegistry<FPluginInfo, FPluginName>;

class HOST_API FPluginRegistry
{
public:
    void Add(FPluginInfo plugin);
    std::optional<FPluginInfo> Find(const std::string& name) const;
    std::optional<std::string> BaseDir(const std::string& name) const;
    const FPlugins& All() const { return Plugins; }

private:
    FPlugins Plugins;
};

// ---- menus and toolbars ----------------------------------------------------------------------
using FMenuOwner = const void*;

enum class EMenuEntryKind
{
    MenuEntry,
    ToolbarButton,
};

struct FMenuEntry
{
    EMenuEntryKind Kind = EMenuEntryKind::MenuEntry;
    std::shared_ptr<const FUICommandInfo> Command;
    std::shared_ptr<const FUICommandList> CommandList;
    FMenuOwner Owner = nullptr;

    void SetCommandList(std::shared_ptr<const FUICommandList> list) { CommandList = std::move(list); }
};

struct HOST_API FMenuSection
{
    std::string Name;
    TStableList<FMenuEntry> Entries;

    FMenuEntry& AddMenuEntry(std::shared_ptr<const FUICommandInfo> command,
                             std::shared_ptr<const FUICommandList> list, FMenuOwner owner);
    FMenuEntry& AddToolbarButton(std::shared_ptr<const FUICommandInfo> command, FMenuOwner owner);
};

// Menus and their sections are known by name.
struct FMenuItemName
{
    template <class T> const std::string& operator()(const T& item) const { return item.Name; }
};

struct HOST_API FMenu
{
    std::string Name;
    TNamedRegistry<FMenuSection, FMenuItemName> Sections;

    FMenuSection& FindOrAddSection(const std::string& name);
};

class HOST_API FMenuSystem
{
public:
    // Called once the menu system is ready; at once when it already is.
    void RegisterStartupCallback(FMenuOwner owner, std::function<void()> callback);
    void UnregisterStartupCallbacks(FMenuOwner owner);
    // Removes every entry the owner added.
    void UnregisterOwner(FMenuOwner owner);
    FMenu& ExtendMenu(const std::string& name);
    const FMenu* FindMenu(const std::string& name) const;
    // Marks the menu system ready and runs the registered callbacks.
    void SetReady();
    std::size_t StartupCallbackCount() const { return Callbacks.size(); }
    const TNamedRegistry<FMenu, FMenuItemName>& Menus() const { return AllMenus; }

private:
    struct FCallback
    {
        FMenuOwner Owner;
        std::function<void()> Callback;
    };
    std::vector<FCallback> Callbacks;
    TNamedRegistry<FMenu, FMenuItemName> AllMenus;
    bool Ready = false;
};
} // namespace host
