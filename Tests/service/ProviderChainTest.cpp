#include "ProviderChain.h"
#include "PseudoProvider.h"

#include <gtest/gtest.h>

namespace lirno::service
{
namespace
{
// Uppercases texts, drops the placeholders of texts that start with "drop" and gives up on
// texts that start with "skip"; supports only German.
class FakeProvider final : public Provider
{
public:
    std::string_view Name() const override { return "fake"; }
    bool Supports(const LanguagePair& pair) const override { return pair.target_culture == "de"; }
    std::vector<std::optional<std::string>> Translate(const LanguagePair&,
                                                      const std::vector<std::string>& texts) override
    {
        ++calls;
        std::vector<std::optional<std::string>> out;
        for (const std::string& text : texts)
        {
            if (text.starts_with("skip"))
                out.emplace_back();
            else if (text.starts_with("drop"))
                out.emplace_back("DROPPED");
            else
                out.emplace_back("DE:" + text);
        }
        return out;
    }
    int calls = 0;
};

std::vector<std::unique_ptr<Provider>> Providers(FakeProvider*& fake)
{
    std::vector<std::unique_ptr<Provider>> providers;
    auto owned = std::make_unique<FakeProvider>();
    fake = owned.get();
    providers.push_back(std::move(owned));
    providers.push_back(std::make_unique<PseudoProvider>());
    return providers;
}
} // namespace

TEST(ProviderChain, FallsBackPerTextWhenTheProviderFailsOrDamagesPlaceholders)
{
    ServiceConfig config;
    config.fallback = "pseudo";
    FakeProvider* fake = nullptr;
    ProviderChain chain(config, Providers(fake));
    const auto result = chain.Translate("fake", {"en", "de"}, {"ok {0}", "skip me", "drop {0}"});
    EXPECT_EQ(result.texts[0], "DE:ok {0}");
    EXPECT_EQ(result.texts[1], PseudoLocalize("skip me"));
    EXPECT_EQ(result.texts[2], PseudoLocalize("drop {0}"));
    EXPECT_EQ(result.by_provider.at("fake"), 1u);
    EXPECT_EQ(result.by_provider.at("pseudo"), 2u);
}

TEST(ProviderChain, CultureWithoutProviderUsesFallbackOrStaysUntranslated)
{
    ServiceConfig config;
    FakeProvider* fake = nullptr;
    config.fallback = "pseudo";
    ProviderChain with_pseudo(config, Providers(fake));
    EXPECT_EQ(with_pseudo.Translate("fake", {"en", "ja"}, {"Hi"}).texts[0], PseudoLocalize("Hi"));
    EXPECT_EQ(fake->calls, 0);

    config.fallback = "none";
    ProviderChain without(config, Providers(fake));
    const auto result = without.Translate("fake", {"en", "ja"}, {"Hi"});
    EXPECT_FALSE(result.texts[0]);
    EXPECT_TRUE(result.by_provider.empty());
}

TEST(ProviderChain, PseudoCulturesGetPseudoLocalizationAndEveryTextItsOrigin)
{
    ServiceConfig config;
    config.fallback = "none";
    config.pseudo_cultures = {"qps", "x-test"};
    FakeProvider* fake = nullptr;
    ProviderChain chain(config, Providers(fake));
    for (const char* culture : {"qps", "QPS-ploc", "qps_plocm", "x-test"})
    {
        const auto result = chain.Translate("fake", {"en", culture}, {"Hi {0}"});
        EXPECT_EQ(result.texts[0], PseudoLocalize("Hi {0}")) << culture;
        EXPECT_EQ(result.origins[0], "pseudo") << culture;
    }
    EXPECT_FALSE(chain.IsPseudoCulture("qpsx"));
    EXPECT_FALSE(chain.Serves("fake", {"en", "ja"}));
    EXPECT_EQ(fake->calls, 0);

    const auto german = chain.Translate("fake", {"en", "de"}, {"ok", "skip"});
    EXPECT_EQ(german.origins, (std::vector<std::string>{"machine:fake", ""}));
    config.fallback = "pseudo";
    ProviderChain with_fallback(config, Providers(fake));
    EXPECT_EQ(with_fallback.Translate("fake", {"en", "de"}, {"skip"}).origins[0], "pseudo");
}

TEST(ProviderChain, TranslatorTypeSelectsConfiguredProviderElseDefault)
{
    ServiceConfig config;
    config.default_provider = "pseudo";
    config.translator_types = {{3, "fake"}};
    FakeProvider* fake = nullptr;
    ProviderChain chain(config, Providers(fake));
    EXPECT_EQ(chain.ProviderNameFor(3), "fake");
    EXPECT_EQ(chain.ProviderNameFor(0), "pseudo");
    EXPECT_EQ(chain.ProviderNameFor(42), "pseudo");
}
} // namespace lirno::service
