#include "ProtectedText.h"
#include "PseudoProvider.h"

#include <gtest/gtest.h>

namespace lirno::service
{
namespace
{
std::vector<std::string> ProtectedRuns(std::string_view text)
{
    std::vector<std::string> runs;
    for (const TextSegment& segment : SplitProtected(text))
    {
        if (segment.is_protected)
            runs.emplace_back(segment.text);
    }
    return runs;
}
} // namespace

TEST(ProtectedText, FindsPlaceholdersMarkupEntitiesAndBreaks)
{
    EXPECT_EQ(
        ProtectedRuns("Hi {PlayerName}, {0} <b>new</b> %s &amp; %1$d\nok</>"),
        (std::vector<std::string>{"{PlayerName}", "{0}", "<b>", "</b>", "%s", "&amp;", "%1$d", "\n", "</>"}));
}

TEST(ProtectedText, LeavesLookAlikesLiteral)
{
    // Comparisons, doubled braces, a lone percent and an ampersand in prose are text.
    EXPECT_TRUE(ProtectedRuns("a < b and c > d, {{x, 100% sure, R&D {unclosed").empty());
}

TEST(ProtectedText, SegmentsJoinBackToTheInput)
{
    const std::string text = "<img src=\"a.png\"/>Score: {Score} of {Max}\t(best)";
    std::string joined;
    for (const TextSegment& segment : SplitProtected(text))
        joined += segment.text;
    EXPECT_EQ(joined, text);
}

TEST(ProtectedText, IntactIgnoresOrderButNotLossOrDuplication)
{
    EXPECT_TRUE(ProtectedRunsIntact("{0} of {1}", "{1} de {0}"));
    EXPECT_FALSE(ProtectedRunsIntact("{0} of {1}", "{0} de"));
    EXPECT_FALSE(ProtectedRunsIntact("<b>x</b>", "<b>x</b></b>"));
    EXPECT_FALSE(ProtectedRunsIntact("{PlayerName}", "{*PlayerName}"));
}

TEST(PseudoLocalize, AccentsLengthensAndBrackets)
{
    EXPECT_EQ(PseudoLocalize("Hello"), "[Ĥééļļöö]");
    EXPECT_EQ(PseudoLocalize("Hello"), PseudoLocalize("Hello"));
    EXPECT_EQ(PseudoLocalize(""), "");
}

TEST(PseudoLocalize, KeepsProtectedRunsExactly)
{
    const std::string source = "Give {PlayerName} <b>{0}</b> coins &amp; %s\nnow";
    const std::string pseudo = PseudoLocalize(source);
    EXPECT_TRUE(ProtectedRunsIntact(source, pseudo));
    EXPECT_NE(pseudo.find("<b>{0}</b>"), std::string::npos);
    EXPECT_EQ(pseudo.find("Give"), std::string::npos);
}
} // namespace lirno::service
