#include "Util/Html.h"

#include <gtest/gtest.h>

namespace util
{
TEST(Html, EscapesMarkupAndQuotesUnlessKept)
{
    EXPECT_EQ(HtmlEscaped("a<b>&&\"c\"'"), "a&lt;b&gt;&amp;&amp;&quot;c&quot;'");
    EXPECT_EQ(HtmlEscaped("&amp; \"q\"", HtmlQuotes::Keep), "&amp;amp; \"q\"");
    EXPECT_EQ(HtmlEscaped("plain é"), "plain é");
    std::string out = "<p>";
    AppendHtmlEscaped(out, "<");
    EXPECT_EQ(out, "<p>&lt;");
}
} // namespace util
