#include "Registries.h"

#include <algorithm>

namespace host
{
// ---- settings ----------------------------------------------------------------------------------
std::shared_ptr<FSettingsSection> FSettingsRegistry::Register(FSettingsSection section)
{
    Unregister(section.Container, section.Category, section.Section);
    Sections.push_back(std::make_shared<FSettingsSection>(std::move(section)));
    return Sections.back();
}

bool FSettingsRegistry::Unregister(const std::string& container, const std::string& category,
                                   const std::string& section)
{
    return std::erase_if(
               Sections, [&](const auto& s)
               { return s->Container == container && s->Category == category && s->Section == section; }) > 0;
}

std::shared_ptr<FSettingsSection> FSettingsRegistry::Find(const std::string& container,
                                                          const std::string& category,
                                                          const std::string& section) const
{
    for (const auto& s : Sections)
    {
        if (s->Container == container && s->Category == category && s->Section == section)
        {
            return s;
        }
    }
    return nullptr;
}

std::shared_ptr<FSettingsSection> FSettingsRegistry::FindSection(const std::string& section) const
{
    for (const auto& s : Sections)
    {
        if (s->Section == section)
        {
            return s;
        }
    }
    return nullptr;
}

// ---- bindings ----------------------------------------------------------------------------------
std::shared_ptr<FBindingContext> FBindingRegistry::Find(const std::string& name) const
{
    for (const auto& c : Contexts)
    {
        if (c->Name == name)
        {
            return c;
        }
    }
    return nullptr;
}

void FBindingRegistry::Add(std::shared_ptr<FBindingContext> context)
{
    if (!context)
    {
        return;
    }
    for (auto& c : Contexts)
    {
        if (c->Name == context->Name)
        {
            c = std::move(context);
            return;
        }
    }
    Contexts.push_back(std::move(context));
}

bool FBindingRegistry::Remove(const std::string& name)
{
    return std::erase_if(Contexts, [&](const auto& c) { return c->Name == name; }) > 0;
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
    if (ContentRoot_.empty())
    {
        return relative + extension;
    }
    const bool hasSlash = ContentRoot_.back() == '/';
    return ContentRoot_ + (hasSlash ? "" : "/") + relative + extension;
}

const FSlateImageBrush* FStyleSet::GetBrush(const std::string& brushName) const
{
    const auto it = Brushes_.find(brushName);
    return it == Brushes_.end() ? nullptr : &it->second;
}

void FStyleRegistry::Register(std::shared_ptr<FStyleSet> style)
{
    if (!style)
    {
        return;
    }
    for (auto& s : Styles)
    {
        if (s->Name() == style->Name())
        {
            s = std::move(style);
            return;
        }
    }
    Styles.push_back(std::move(style));
}

void FStyleRegistry::Unregister(const FStyleSet& style)
{
    std::erase_if(Styles, [&](const auto& s) { return s.get() == &style; });
}

std::shared_ptr<FStyleSet> FStyleRegistry::Find(const std::string& name) const
{
    for (const auto& s : Styles)
    {
        if (s->Name() == name)
        {
            return s;
        }
    }
    return nullptr;
}

// ---- plug-ins ----------------------------------------------------------------------------------
void FPluginRegistry::Add(FPluginInfo plugin)
{
    for (auto& p : Plugins)
    {
        if (p.Name == plugin.Name)
        {
            p = std::move(plugin);
            return;
        }
    }
    Plugins.push_back(std::move(plugin));
}

std::optional<FPluginInfo> FPluginRegistry::Find(const std::string& name) const
{
    for (const auto& p : Plugins)
    {
        if (p.Name == name)
        {
            return p;
        }
    }
    return std::nullopt;
}

std::optional<std::string> FPluginRegistry::BaseDir(const std::string& name) const
{
    const auto plugin = Find(name);
    return plugin ? std::optional(plugin->BaseDir) : std::nullopt;
}

// ---- menus -------------------------------------------------------------------------------------
FMenuEntry& FMenuSection::AddMenuEntry(std::shared_ptr<const FUICommandInfo> command,
                                       std::shared_ptr<const FUICommandList> list, FMenuOwner owner)
{
    Entries.push_back(FMenuEntry{EMenuEntryKind::MenuEntry, std::move(command), std::move(list), owner});
    return Entries.back();
}

FMenuEntry& FMenuSection::AddToolbarButton(std::shared_ptr<const FUICommandInfo> command, FMenuOwner owner)
{
    Entries.push_back(FMenuEntry{EMenuEntryKind::ToolbarButton, std::move(command), nullptr, owner});
    return Entries.back();
}

FMenuSection& FMenu::FindOrAddSection(const std::string& name)
{
    for (auto& s : Sections)
    {
        if (s.Name == name)
        {
            return s;
        }
    }
    Sections.push_back(FMenuSection{name, {}});
    return Sections.back();
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
            std::erase_if(section.Entries, [&](const FMenuEntry& e) { return e.Owner == owner; });
        }
    }
}

FMenu& FMenuSystem::ExtendMenu(const std::string& name)
{
    for (auto& m : AllMenus)
    {
        if (m.Name == name)
        {
            return m;
        }
    }
    AllMenus.push_back(FMenu{name, {}});
    return AllMenus.back();
}

const FMenu* FMenuSystem::FindMenu(const std::string& name) const
{
    for (const auto& m : AllMenus)
    {
        if (m.Name == name)
        {
            return &m;
        }
    }
    return nullptr;
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
