#include "LocFormat/CompiledResource.h"

#include <gtest/gtest.h>

namespace
{
locformat::FCompiledResource Sample()
{
    return {"es", {{"HUD", "Gold", "{0} de oro", locformat::HashSourceText("{0} gold")}, {"N", "", "", 0}}};
}

TEST(CompiledResource, RoundTrip)
{
    const std::string bytes = locformat::SerializeCompiledResource(Sample());
    EXPECT_EQ(bytes.substr(0, 8), "LIRNOTXT");
    locformat::FCompiledResource read;
    std::string error;
    ASSERT_TRUE(locformat::ParseCompiledResource(bytes, "es.resource", read, error)) << error;
    EXPECT_EQ(read.Culture, "es");
    ASSERT_EQ(read.Texts.size(), 2u);
    EXPECT_EQ(read.Texts[0].Text, "{0} de oro");
    EXPECT_EQ(read.Texts[0].SourceHash, Sample().Texts[0].SourceHash);
    EXPECT_EQ(locformat::HashSourceText(""), 2166136261u);
}

TEST(CompiledResource, DamagedBytesAreRejected)
{
    const std::string bytes = locformat::SerializeCompiledResource(Sample());
    locformat::FCompiledResource read;
    std::string error;
    for (std::size_t length = 0; length < bytes.size(); ++length)
    {
        EXPECT_FALSE(locformat::ParseCompiledResource(bytes.substr(0, length), "es.resource", read, error))
            << length;
        EXPECT_EQ(error.rfind("es.resource: ", 0), 0u);
    }
    EXPECT_FALSE(locformat::ParseCompiledResource(bytes + "x", "es.resource", read, error));
    std::string hugeCount = bytes;
    hugeCount[8 + 4 + 4 + 2] = '\xFF'; // the text count's top byte, after magic, version and "es"
    hugeCount[8 + 4 + 4 + 2 + 3] = '\x7F';
    EXPECT_FALSE(locformat::ParseCompiledResource(hugeCount, "es.resource", read, error));
}
} // namespace
