#include "Util/Html.h"

namespace util
{
namespace
{
struct Entity
{
    char character;
    std::string_view name;
};
constexpr Entity Entities[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};
} // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text, HtmlQuotes quotes)
{
    const std::string_view special = quotes == HtmlQuotes::Escape ? "&<>\"" : "&<>";
    out.reserve(out.size() + text.size());
    while (!text.empty())
    {
        const std::size_t at = text.find_first_of(special);
        out.append(text.substr(0, at));
        if (at == std::string_view::npos)
            return;
        for (const Entity& entity : Entities)
        {
            if (entity.character == text[at])
                out.append(entity.name);
        }
        text.remove_prefix(at + 1);
    }
}

std::string HtmlEscaped(std::string_view text, HtmlQuotes quotes)
{
    std::string out;
    AppendHtmlEscaped(out, text, quotes);
    return out;
}
} // namespace util
