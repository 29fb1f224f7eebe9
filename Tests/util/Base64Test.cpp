#include "Util/Base64.h"

#include <gtest/gtest.h>

#include <vector>

namespace util
{
TEST(Base64, EncodesRfc4648Vectors)
{
    const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors)
    {
        EXPECT_EQ(Base64Encode(std::string_view(plain)), encoded);
        EXPECT_EQ(Base64Decode(encoded), plain);
    }
}

TEST(Base64, AllByteValuesRoundTrip)
{
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    const std::string bytes(all.begin(), all.end());
    EXPECT_EQ(Base64Decode(Base64Encode(all)), bytes);
    EXPECT_EQ(Base64Encode(bytes), Base64Encode(all));
    // In place, for every tail length (0, 1 and 2 padding characters).
    for (std::size_t size : {256u, 255u, 254u})
    {
        std::string text = Base64Encode(std::span(all.data(), size));
        ASSERT_TRUE(Base64DecodeInPlace(text));
        EXPECT_EQ(text, bytes.substr(0, size));
    }
}

TEST(Base64, RejectsInvalidTextButKeepsValidPrefix)
{
    EXPECT_EQ(Base64Decode("Zm9v!m9v"), std::nullopt);
    std::string text = "Zm9v!m9v";
    EXPECT_FALSE(Base64DecodeInPlace(text));
    EXPECT_EQ(text, "foo");
    std::uint8_t out[6] = {};
    std::size_t written = 99;
    EXPECT_FALSE(Base64DecodeTo("Zm9vYg=a", out, written));
    EXPECT_EQ(written, 3u);
    for (const char* bad : {"Zm9", "Zg==Zg==", "Z===", "Zm9v\n", "Zg=a", "Zm9v!A==", "Zm=v", "=Zm9", "===="})
    {
        EXPECT_EQ(Base64Decode(bad), std::nullopt) << bad;
        text = bad;
        EXPECT_FALSE(Base64DecodeInPlace(text)) << bad;
    }
}
} // namespace util
