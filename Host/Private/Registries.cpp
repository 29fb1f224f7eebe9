#include "Registries.h"

namespace host
{
// ---- settings ----------------------------------------------------------------------------------
std::shared_ptr<FSettingsSection> FSettingsRegistry::Register(FSettingsSection section)
{
    // A section registered again moves to the end, as a new one would.
    Unregister(section.Container, section.Category, section.Section);
    return Sections.Put(std::make_shared<FSettingsSection>(std::move(section)));
}

bool FSettingsRegistry::Unregister(const std::string& container, const std::string& category,
                                   const std::string& section)
{
    return Sections.Remove({container, category, section});
}

std::shared_ptr<FSettingsSection> FSettingsRegistry::Find(const std::string& container,
                                                          const std::string& category,
                                                          const std::string& section) const
{
    const auto* found = Sections.Find({container, category, section});
    return found ? *found : nullptr;
}

std::shared_ptr<FSettingsSection> FSettingsRegistry::FindSection(const std::string& section) const
{
    const auto* found = Sections.FindIf([&](const auto& s) { return s->Section == section; });
    return found ? *found : nullptr;
}

// ---- bindings ----------------------------------------------------------------------------------
std::shared_ptr<FBindingContext> FBindingRegistry::Find(const std::string& name) const
{
    const auto* found = Contexts.Find(name);
    return found ? *found : nullptr;
}

void FBindingRegistry::Add(std::shared_ptr<FBindingContext> context)
{
    if (context)
    {
        Contexts.Put(std::move(context));
    }
}

bool FBindingRegistry::Remove(const std::string& name)
{
    return Contexts.Remove(name);
}

std::shared_ptr<FUICommandInfo> FBindingRegistry::FindCommand(const std::string& fullName) const
{
    for (const auto& c : Contexts)
    {
        for (const auto& command : c->Commands)
        {
            if (command && command->FullName() == fullName)
            {
                return command;
            }
        }
    }
    return nullptr;
}

// ---- command lists -----------------------------------------------------------------------------
void FUICommandList::MapAction(const std::shared_ptr<const FUICommandInfo>& command,
                               std::function<void()> execute, std::function<bool()> canExecute)
{
    if (command)
    {
        Actions[command->FullName()] = FAction{std::move(execute), std::move(canExecute)};
    }
}

bool FUICommandList::IsMapped(const FUICommandInfo& command) const
{
    return Actions.contains(command.FullName());
}

bool FUICommandList::CanExecute(const FUICommandInfo& command) const
{
    const auto it = Actions.find(command.FullName());
    return it != Actions.end() && it->second.Execute && (!it->second.CanExecute || it->second.CanExecute());
}

bool FUICommandList::Execute(const FUICommandInfo& command) const
{
    if (!CanExecute(command))
    {
        return false;
    }
    // Copy first: the action may remap or destroy this list.
    const auto action = Actions.at(command.FullName()).Execute;
    action();
    return true;
}

// ---- styles ------------------------------------------------------------------------------------
std::string FStyleSet::RootToContentDir(const std::string& relative, const std::string& extension) const
{
    if (ContentRootDir.empty())
    {
        return relative + extension;
    }
    const bool hasSlash = ContentRootDir.back() == '/';
    return ContentRootDir + (hasSlash ? "" : "/") + relative + extension;
}

const FSlateImageBrush* FStyleSet::GetBrush(const std::string& brushName) const
{
    const auto it = BrushesByName.find(brushName);
    return it == BrushesByName.end() ? nullptr : &it->second;
}

void FStyleRegistry::Register(std::shared_ptr<FStyleSet> style)
{
    if (style)
    {
        Styles.Put(std::move(style));
    }
}

void FStyleRegistry::Unregister(const FStyleSet& style)
{
    Styles.RemoveIf([&](const auto& s) { return s.get() == &style; });
}

std::shared_ptr<FStyleSet> FStyleRegistry::Find(const std::string& name) const
{
    const auto* found = Styles.Find(name);
    return found ? *found : nullptr;
}

// ---- plug-ins ----------------------------------------------------------------------------------
void FPluginRegistry::Add(FPluginInfo plugin)
{
    Plugins.Put(std::move(plugin));
}

std::optional<FPluginInfo> FPluginRegistry::Find(const std::string& name) const
{
    const FPluginInfo* found = Plugins.Find(name);
    return found ? std::optional(*found) : std::nullopt;
}

std::optional<std::string> FPluginRegistry::BaseDir(const std::string& name) const
{
    const FPluginInfo* found = Plugins.Find(name);
    return found ? std::optional(found->BaseDir) : std::nullopt;
}

// ---- menus -------------------------------------------------------------------------------------
FMenuEntry& FMenuSection::AddMenuEntry(std::shared_ptr<const FUICommandInfo> command,
                                       std::shared_ptr<const FUICommandList> list, FMenuOwner owner)
{
    return Entries.Add(FMenuEntry{EMenuEntryKind::MenuEntry, std::move(command), std::move(list), owner});
}

FMenuEntry& FMenuSection::AddToolbarButton(std::shared_ptr<const FUICommandInfo> command, FMenuOwner owner)
{
    return Entries.Add(FMenuEntry{EMenuEntryKind::ToolbarButton, std::move(command), nullptr, owner});
}

FMenuSection& FMenu::FindOrAddSection(const std::string& name)
{
    return Sections.FindOrAdd(name, [&] { return FMenuSection{name, {}}; });
}

void FMenuSystem::RegisterStartupCallback(FMenuOwner owner, std::function<void()> callback)
{
    if (Ready)
    {
        callback();
        return;
    }
    Callbacks.push_back(FCallback{owner, std::move(callback)});
}

void FMenuSystem::UnregisterStartupCallbacks(FMenuOwner owner)
{
    std::erase_if(Callbacks, [&](const FCallback& c) { return c.Owner == owner; });
}

void FMenuSystem::UnregisterOwner(FMenuOwner owner)
{
    for (auto& menu : AllMenus)
    {
        for (auto& section : menu.Sections)
        {
            section.Entries.RemoveIf([&](const FMenuEntry& e) { return e.Owner == owner; });
        }
    }
}

FMenu& FMenuSystem::ExtendMenu(const std::string& name)
{
    return AllMenus.FindOrAdd(name, [&] { return FMenu{name, {}}; });
}

const FMenu* FMenuSystem::FindMenu(const std::string& name) const
{
    return AllMenus.Find(name);
}

void FMenuSystem::SetReady()
{
    if (Ready)
    {
        return;
    }
    Ready = true;
    // Callbacks run once; one that registers another sees the system ready and runs it at once.
    auto pending = std::move(Callbacks);
    Callbacks.clear();
    for (auto& c : pending)
    {
        c.Callback();
    }
}
} // namespace host
