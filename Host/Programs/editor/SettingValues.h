// What the editor knows about a setting's value beyond its type: web addresses it can check,
// and secrets that are never shown or taken from the command line.
#pragma once

#include <string>

namespace editor
{
// Keys that hold a secret (an API key, a password, a token), by name.
bool IsSecretKey(const std::string& key);

// Keys that hold a web address: "Host" and names ending in "Url".
bool IsAddressKey(const std::string& key);

// Why the value is not acceptable for the key; empty when it is (or cannot be checked).
std::string CheckValue(const std::string& key, const std::string& value);

// A secret as listings show it: nothing of it but, for a long one, its last four characters.
std::string Masked(const std::string& value);
} // namespace editor
