// The editor's registries that plug-ins add to: settings sections, input binding contexts and
// command lists, style sets, plug-in base folders, and menus/toolbars. Everything registered
// can be listed. All of them are used from the main thread only.
#pragma once

#include "HostApi.h"
#include "Reflection.h"
#include "Text.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
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

class HOST_API FSettingsRegistry
{
public:
    std::shared_ptr<FSettingsSection> Register(FSettingsSection section);
    bool Unregister(const std::string& container, const std::string& category, const std::string& section);
    std::shared_ptr<FSettingsSection> Find(const std::string& container, const std::string& category,
                                           const std::string& section) const;
    // Finds by section name alone (the command line names sections that way).
    std::shared_ptr<FSettingsSection> FindSection(const std::string& section) const;
    const std::vector<std::shared_ptr<FSettingsSection>>& All() const { return Sections; }

private:
    std::vector<std::shared_ptr<FSettingsSection>> Sections;
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

class HOST_API FBindingRegistry
{
public:
    std::shared_ptr<FBindingContext> Find(const std::string& name) const;
    void Add(std::shared_ptr<FBindingContext> context); // replaces a context of the same name
    bool Remove(const std::string& name);
    void NotifyCommandsChanged() { ++ChangeCount_; }
    unsigned ChangeCount() const { return ChangeCount_; }
    const std::vector<std::shared_ptr<FBindingContext>>& All() const { return Contexts; }
    // "context.command"
    std::shared_ptr<FUICommandInfo> FindCommand(const std::string& fullName) const;

private:
    std::vector<std::shared_ptr<FBindingContext>> Contexts;
    unsigned ChangeCount_ = 0;
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
    explicit FStyleSet(std::string name) : Name_(std::move(name)) {}
    const std::string& Name() const { return Name_; }
    void SetContentRoot(std::string root) { ContentRoot_ = std::move(root); }
    const std::string& ContentRoot() const { return ContentRoot_; }
    // ContentRoot/relative + extension
    std::string RootToContentDir(const std::string& relative, const std::string& extension) const;
    void Set(const std::string& brushName, FSlateImageBrush brush) { Brushes_[brushName] = std::move(brush); }
    const FSlateImageBrush* GetBrush(const std::string& brushName) const;
    const std::map<std::string, FSlateImageBrush>& Brushes() const { return Brushes_; }

private:
    std::string Name_;
    std::string ContentRoot_;
    std::map<std::string, FSlateImageBrush> Brushes_;
};

class HOST_API FStyleRegistry
{
public:
    void Register(std::shared_ptr<FStyleSet> style);
    void Unregister(const FStyleSet& style);
    std::shared_ptr<FStyleSet> Find(const std::string& name) const;
    const std::vector<std::shared_ptr<FStyleSet>>& All() const { return Styles; }

private:
    std::vector<std::shared_ptr<FStyleSet>> Styles;
};

// ---- plug-ins --------------------------------------------------------------------------------
struct FPluginInfo
{
    std::string Name;
    std::string BaseDir;        // folder holding the descriptor, ending in "/"
    std::string DescriptorPath; // "<BaseDir><Name>.plugin"
    std::string Version;
};

class HOST_API FPluginRegistry
{
public:
    void Add(FPluginInfo plugin);
    std::optional<FPluginInfo> Find(const std::string& name) const;
    std::optional<std::string> BaseDir(const std::string& name) const;
    const std::vector<FPluginInfo>& All() const { return Plugins; }

private:
    std::vector<FPluginInfo> Plugins;
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
    std::vector<FMenuEntry> Entries;

    FMenuEntry& AddMenuEntry(std::shared_ptr<const FUICommandInfo> command,
                             std::shared_ptr<const FUICommandList> list, FMenuOwner owner);
    FMenuEntry& AddToolbarButton(std::shared_ptr<const FUICommandInfo> command, FMenuOwner owner);
};

struct HOST_API FMenu
{
    std::string Name;
    std::vector<FMenuSection> Sections;

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
    bool IsReady() const { return Ready; }
    std::size_t StartupCallbackCount() const { return Callbacks.size(); }
    const std::vector<FMenu>& Menus() const { return AllMenus; }

private:
    struct FCallback
    {
        FMenuOwner Owner;
        std::function<void()> Callback;
    };
    std::vector<FCallback> Callbacks;
    std::vector<FMenu> AllMenus;
    bool Ready = false;
};
} // namespace host
