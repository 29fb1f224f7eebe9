#include "crypt.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace zipengine;
using namespace ziptest;

TEST(ZipCrypt, EmptyPasswordLeavesInitialKeys)
{
    for (const char* password : {static_cast<const char*>(nullptr), ""})
    {
        const EntryKeys keys = make_keys(password);
        EXPECT_EQ(keys.key0, 0x12345678u);
        EXPECT_EQ(keys.key1, 0x23456789u);
        EXPECT_EQ(keys.key2, 0x34567890u);
    }
}

TEST(ZipCrypt, CrcStepMatchesZlib)
{
    // The cipher's CRC step must be the standard one, or other tools cannot decrypt.
    const Bytes data = pattern_bytes(1000);
    std::uint32_t c = 0xFFFFFFFF;
    for (auto b : data)
        c = crc_step(c, b);
    EXPECT_EQ(c ^ 0xFFFFFFFF, crc32(0, data.data(), static_cast<uInt>(data.size())));
}

TEST(ZipCrypt, RoundTripAndKnownCipherText)
{
    Bytes data = text_bytes(5000);
    const Bytes plain = data;
    EntryKeys enc = make_keys("secret");
    encrypt_bytes(enc, data.data(), data.size());
    EXPECT_NE(data, plain);
    EntryKeys dec = make_keys("secret");
    decrypt_bytes(dec, data.data(), data.size());
    EXPECT_EQ(data, plain);

    // Bytes encrypted in pieces equal bytes encrypted at once: the state carries over.
    Bytes a = plain;
    Bytes b = plain;
    EntryKeys ka = make_keys("pw");
    EntryKeys kb = make_keys("pw");
    encrypt_bytes(ka, a.data(), a.size());
    encrypt_bytes(kb, b.data(), 17);
    encrypt_bytes(kb, b.data() + 17, b.size() - 17);
    EXPECT_EQ(a, b);

    // Independent check of one key update against the textbook formula.
    EntryKeys k;
    update_keys(k, 'a');
    const std::uint32_t k0 = crc_step(0x12345678u, 'a');
    const std::uint32_t k1 = (0x23456789u + (k0 & 0xFF)) * 134775813u + 1;
    EXPECT_EQ(k.key0, k0);
    EXPECT_EQ(k.key1, k1);
    EXPECT_EQ(k.key2, crc_step(0x34567890u, static_cast<std::uint8_t>(k1 >> 24)));
}
