#include "lirnoStyle.h"

#include "Host.h"
#include "lirnoFileHelper.h"

namespace lirno
{
namespace
{
std::shared_ptr<host::FStyleSet> Instance;

std::shared_ptr<host::FStyleSet> Create()
{
    auto style = std::make_shared<host::FStyleSet>(lirnoStyle::GetStyleSetName());
    const std::string baseDir = host::Get().Plugins().BaseDir("lirno").value_or("");
    style->SetContentRoot(lirnoFileHelper::JoinPath(baseDir, "Resources"));
    host::FSlateImageBrush icon;
    icon.ImagePath = style->RootToContentDir("ButtonIcon_40x", ".png");
    icon.Width = 40;
    icon.Height = 40;
    icon.Tint = host::FLinearColor{1.0f, 1.0f, 1.0f, 1.0f};
    icon.Tiling = host::ESlateBrushTileType::NoTile;
    icon.ImageType = host::ESlateBrushImageType::FullColor;
    style->Set("lirno.PluginAction", std::move(icon));
    return style;
}
} // namespace

void lirnoStyle::Initialize()
{
    auto& h = host::Get();
    if (!Instance)
    {
        Instance = Create();
        h.Styles().Register(Instance);
    }
    if (h.UI().IsApplicationRunning())
    {
        h.UI().ReloadTextureResources();
    }
}

void lirnoStyle::Shutdown()
{
    if (Instance)
    {
        host::Get().Styles().Unregister(*Instance);
        Instance.reset();
    }
}

const std::string& lirnoStyle::GetStyleSetName()
{
    static const std::string Name = "lirnoStyle";
    return Name;
}
} // namespace lirno
