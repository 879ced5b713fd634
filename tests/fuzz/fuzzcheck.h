#pragma once
#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: a failure aborts, which libFuzzer reports as a crash
// (keeping the input) and the corpus replay as a failed test.
#define FUZZ_CHECK(cond) \
    ((cond) ? void() : (std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond), std::abort()))

inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
