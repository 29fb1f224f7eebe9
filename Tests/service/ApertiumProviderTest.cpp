#include "ApertiumProvider.h"
#include "ProtectedText.h"

#include <gtest/gtest.h>

namespace lirno::service
{
namespace
{
bool ApertiumHas(const std::string& mode)
{
    ApertiumProvider provider{ApertiumConfig{}};
    return provider.ModeFor({"en", mode == "eng-spa" ? "es" : "ca"}) == mode;
}
} // namespace

TEST(ApertiumProvider, RequestHidesProtectedRunsAndEscapesText)
{
    EXPECT_EQ(ApertiumRequest({"Hi {0} & <b>you</b>", "a < b"}),
              "<p id=\"s0\">Hi <x id=\"0\"/> &amp; <x id=\"1\"/>you<x id=\"2\"/></p>\n"
              "<p id=\"s1\">a &lt; b</p>\n");
}

TEST(ApertiumProvider, ResponseRestoresRunsAndRefusesDamagedParagraphs)
{
    const std::vector<std::string> texts = {"Hi {0} <b>you</b>", "Bye {1}", "Gone", "x"};
    const std::string output =
        "<p id=\"s0\">Hola <x id=\"1\"/>tú<x id=\"2\"/> <x id=\"0\"/> &amp; &quot;</p>\n"
        "<p id=\"s1\">Adiós <x id=\"7\"/></p>\n"
        "<p id=\"s3\">  equis   dos </p>\n";
    const auto results = ApertiumResponse(texts, output);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0], "Hola <b>tú</b> {0} & \"");
    EXPECT_FALSE(results[1]);           // a token that names no run
    EXPECT_FALSE(results[2]);           // a paragraph that did not come back
    EXPECT_EQ(results[3], "equis dos"); // spaces left by dropped words are tidied
}

TEST(ApertiumProvider, SupportsOnlyConfiguredInstalledPairs)
{
    ApertiumConfig config;
    config.command = "no-such-apertium";
    ApertiumProvider missing(config);
    EXPECT_FALSE(missing.Supports({"en", "es"}));
    ApertiumProvider installed{ApertiumConfig{}};
    EXPECT_FALSE(installed.Supports({"en", "ja"}));
    EXPECT_FALSE(installed.Supports({"de", "es"}));
}

TEST(ApertiumProvider, TranslatesEnglishToSpanishKeepingPlaceholders)
{
    if (!ApertiumHas("eng-spa"))
        GTEST_SKIP() << "apertium eng-spa is not installed";
    ApertiumProvider provider{ApertiumConfig{}};
    const std::vector<std::string> texts = {"Hello {PlayerName}, open the <b>door</b>.", "",
                                            "The sword\nThe house"};
    const auto results = provider.Translate({"en-US", "es-ES"}, texts);
    ASSERT_EQ(results.size(), 3u);
    ASSERT_TRUE(results[0]);
    EXPECT_NE(results[0]->find("puerta"), std::string::npos) << *results[0];
    EXPECT_TRUE(ProtectedRunsIntact(texts[0], *results[0])) << *results[0];
    EXPECT_EQ(results[1], "");
    ASSERT_TRUE(results[2]);
    EXPECT_NE(results[2]->find('\n'), std::string::npos) << *results[2];
}
} // namespace lirno::service
