// Placeholders and markup a translation must keep.
#include "lirnoTextChecks.h"

#include <gtest/gtest.h>

#include <string>

namespace lirnotest
{
namespace
{
using lirno::DescribeMarkerDifference;
using lirno::HaveSameMarkers;

struct FMarkerCase
{
    const char* Source;
    const char* Translation;
    bool bSame;
};

TEST(lirnoTextChecks, ComparesPlaceholdersAndTagsAsMultisets)
{
    const FMarkerCase cases[] = {
        // Brace placeholders: reordering is free, counts and names are not.
        {"Hello {PlayerName}", "Bonjour {PlayerName} !", true},
        {"{0} of {1}", "{1} von {0}", true},
        {"{0} and {0}", "{0}", false},
        {"Hello {PlayerName}", "Bonjour {Joueur}", false},
        {"{Count} {_x1}", "{_x1}", false},
        // Not placeholders: escaped, empty, spaced, mixed or unclosed braces.
        {"Use {{braces}} and {} or { 0 } or {0a} or {open", "Benutze Klammern", true},
        // printf style, with position, flags, width, precision and length.
        {"%d items", "%d objets", true},
        {"%d of %s", "%s de %d", true},
        {"%1$s has %2$d", "%2$d hat %1$s", true},
        {"%-5.2f %ld %lld %08x %*d %.*s", "%.*s %*d %08x %lld %ld %-5.2f", true},
        {"%ld", "%d", false},
        {"%5.2f", "%5.1f", false},
        {"%s", "", false},
        {"%s", "%S", false},
        // A literal percent, and prose that only looks like a conversion.
        {"100%% done", "100 % fertig", true},
        {"100%%d", "100", true},
        {"100% sure", "sûr à 100 %", true},
        {"50%", "", true},
        // Markup tags, exactly as written.
        {"<b>Bold</b>", "<b>Gras</b>", true},
        {"<b>Bold</b>", "<b>Gras", false},
        {"<RichText.Bold>x</>", "<RichText.Bold>y</>", true},
        {"<font face=\"x\" size=2>a</>", "<font face=\"y\" size=2>a</>", false},
        {"<br/>", "<br />", false},
        {"</>", "", false},
        // Comparisons and unclosed brackets are text.
        {"a < 3 and b > 2", "b > 2, a < 3", true},
        {"<3 <> </ x> <b", "", true},
        {"x <b\n> y", "x y", true},
        // Everything together, reordered.
        {"{0} <b>%d</> {Name}", "{Name} </>%d<b> {0}", true},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(HaveSameMarkers(c.Source, c.Translation), c.bSame)
            << '"' << c.Source << "\" vs \"" << c.Translation << '"';
        EXPECT_EQ(DescribeMarkerDifference(c.Source, c.Translation).empty(), c.bSame) << c.Source;
    }
}

TEST(lirnoTextChecks, DescribesWhatIsMissingAndExtra)
{
    EXPECT_EQ(DescribeMarkerDifference("Hello {PlayerName}", "Bonjour %d"), "missing {PlayerName}; extra %d");
    EXPECT_EQ(DescribeMarkerDifference("{0} {0} {1}", "{1} {0}"), "missing {0}");
    EXPECT_EQ(DescribeMarkerDifference("a", "<b> %s <b>"), "extra <b>, %s, <b>");

    // Bounded, with long markers cut on a character boundary (here inside the "\u00e9").
    std::string many;
    for (int i = 0; i < 500; ++i)
    {
        many += "{Name" + std::to_string(i) + "} ";
    }
    const std::string tag = "<font face=\"" + std::string(27, 'x') + "\u00e9\">";
    const std::string description = DescribeMarkerDifference(tag + many, "");
    EXPECT_LE(description.size(), 210u);
    EXPECT_TRUE(description.starts_with("missing <font face=\"xxxxxxx")) << description;
    EXPECT_TRUE(description.ends_with(", ...")) << description;
    EXPECT_NE(description.find("x..., {Name0}"), std::string::npos) << description;
}

TEST(lirnoTextChecks, HostileTextsScanToTheEnd)
{
    // Unclosed openers everywhere: each is plain text, and the markers around them still count.
    std::string text;
    for (int i = 0; i < 50000; ++i)
    {
        text += "<a{b%1";
    }
    EXPECT_TRUE(HaveSameMarkers(text + "{0}", "{0}"));
    EXPECT_FALSE(HaveSameMarkers(text + "<b>", text));
}
} // namespace
} // namespace lirnotest
