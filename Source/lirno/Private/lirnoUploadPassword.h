// The fixed part of the upload archive's password. The translation service holds the same
// value: it opens the upload with this prefix followed by the job number from the "Rnd" header.
#pragma once

namespace lirno
{
inline constexpr char UploadPasswordPrefix[] = "Zq7#lirno-Pk9!wX2$v";
static_assert(sizeof(UploadPasswordPrefix) - 1 == 19, "the service expects a 19-character prefix");
} // namespace lirno
