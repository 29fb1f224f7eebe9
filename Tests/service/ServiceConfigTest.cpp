#include "ServiceConfig.h"

#include <gtest/gtest.h>

namespace lirno::service
{
TEST(ServiceConfig, ShippedDefaultConfigurationLoads)
{
    std::string error;
    const auto config = LoadServiceConfig(SHIPPED_SERVICE_CONFIG, error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->address, "127.0.0.1"); // loopback unless told otherwise
    EXPECT_FALSE(config->accounts.empty());
}

TEST(ServiceConfig, ReadsValuesOverDefaults)
{
    std::string error;
    const auto config = ParseServiceConfig(
        R"({"port": 0, "translator_types": {"2": "apertium"}, "fallback": "none",
            "accounts": [{"key": "k", "user_id": 3, "allowance": 50}]})",
        error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->port, 0);
    EXPECT_EQ(config->translator_types.at(2), "apertium");
    // Pseudo-localization reaches real cultures only when a configuration asks for it.
    EXPECT_EQ(config->default_provider, "apertium");
    EXPECT_EQ(config->fallback, "none");
    EXPECT_EQ(config->pseudo_cultures, std::vector<std::string>{"qps"});
    ASSERT_EQ(config->accounts.size(), 1u);
    EXPECT_EQ(config->accounts[0].allowance, 50);
}

TEST(ServiceConfig, RefusesTyposAndUnknownProviders)
{
    std::string error;
    for (const char* text :
         {R"({"prot": 1})", R"({"port": "80"})", R"({"default_provider": "deepl"})",
          R"({"translator_types": {"1": "nope"}})", R"({"fallback": "english"})",
          R"({"accounts": [{"user_id": 1}]})", R"({"max_upload_bytes": 5000000000})", "{",
          R"({"translator_types": {"two": "pseudo"}})", R"({"translator_types": {"2x": "pseudo"}})",
          R"({"translator_types": {"99999999999": "pseudo"}})", R"({"pseudo_cultures": "qps"})",
          R"({"apertium": {"modes": {"en>es": 1}}})", R"({"accounts": [{"key": 5}]})",
          // Whole-number members: no fraction, nothing out of their range.
          R"({"port": 1e300})", R"({"workers": 2.5})", R"({"accounts": [{"key": "k", "user_id": 4294967296}]})"})
    {
        error.clear();
        EXPECT_FALSE(ParseServiceConfig(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    ParseServiceConfig(R"({"accounts": [{"key": "k", "allowance": "lots"}]})", error);
    EXPECT_EQ(error, "\"allowance\" in an account must be a number");
}
} // namespace lirno::service
