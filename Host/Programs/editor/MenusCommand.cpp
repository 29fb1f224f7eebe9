#include "Commands.h"

#include <cstdio>

namespace editor
{
namespace
{
std::string IconText(host::FEditorHost& host, const host::FUICommandInfo& command)
{
    const auto style = host.Styles().Find(command.StyleSetName);
    const host::FSlateImageBrush* brush = style ? style->GetBrush(command.IconBrush) : nullptr;
    if (!brush)
    {
        return "(none: brush " + command.IconBrush + " of style set " + command.StyleSetName + ")";
    }
    char size[64];
    std::snprintf(size, sizeof size, "%gx%g", brush->Width, brush->Height);
    return brush->ImagePath + " " + size;
}
} // namespace

int MenusCommand(FSessionOptions options)
{
    auto session = OpenListingSession(std::move(options));
    if (!session)
    {
        return ExitUsage;
    }
    auto& host = session->Host();
    host.Menus().SetReady();
    if (host.Menus().Menus().empty())
    {
        std::printf("no menus or toolbars\n");
    }
    for (const auto& menu : host.Menus().Menus())
    {
        std::printf("%s\n", menu.Name.c_str());
        for (const auto& section : menu.Sections)
        {
            std::printf("  section %s\n", section.Name.c_str());
            for (const auto& entry : section.Entries)
            {
                const bool button = entry.Kind == host::EMenuEntryKind::ToolbarButton;
                std::printf("    %s %s\n", button ? "toolbar button" : "menu entry",
                            entry.Command ? entry.Command->FullName().c_str() : "(no command)");
                if (entry.Command)
                {
                    std::printf("      label: %s\n", entry.Command->Label.ToString().c_str());
                    std::printf("      tooltip: %s\n", entry.Command->Description.ToString().c_str());
                    std::printf("      icon: %s\n", IconText(host, *entry.Command).c_str());
                }
                std::printf("      owner: %s\n", host.ModuleManager().OwnerName(entry.Owner).c_str());
                std::printf("      command list: %s\n", entry.CommandList ? "set" : "none");
            }
        }
    }
    return ExitCompleted;
}
} // namespace editor
