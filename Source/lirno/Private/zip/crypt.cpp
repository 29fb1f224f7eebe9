#include "crypt.h"

namespace zipengine
{
EntryKeys make_keys(const char* password)
{
    EntryKeys keys;
    if (password != nullptr)
        for (const char* p = password; *p != '\0'; ++p)
            update_keys(keys, static_cast<std::uint8_t>(*p));
    return keys;
}

void encrypt_bytes(EntryKeys& keys, std::uint8_t* data, std::size_t size)
{
    // Work on a local copy so the compiler keeps the three words in registers.
    EntryKeys k = keys;
    for (std::size_t i = 0; i < size; ++i)
    {
        const std::uint8_t plain = data[i];
        data[i] = plain ^ key_stream_byte(k);
        update_keys(k, plain);
    }
    keys = k;
}

void decrypt_bytes(EntryKeys& keys, std::uint8_t* data, std::size_t size)
{
    EntryKeys k = keys;
    for (std::size_t i = 0; i < size; ++i)
    {
        const std::uint8_t plain = data[i] ^ key_stream_byte(k);
        data[i] = plain;
        update_keys(k, plain);
    }
    keys = k;
}
} // namespace zipengine
