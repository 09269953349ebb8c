// libFuzzer target for the runtime's text file decoder: every input is read
// with String::Load from a stream, and must decode exactly as the in-memory
// decoder decodes the same bytes, into no more characters than there were
// bytes. A crash, a sanitizer report or a leak is a finding too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;  // fmemopen refuses an empty buffer
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    const String loaded = String::Load(file);
    fclose(file);
    const String decoded = String::DecodeText(data, size);

    if (loaded.Length() < 0 || size_t(loaded.Length()) > size) abort();
    if (loaded.Length() != decoded.Length()) abort();
    if (std::memcmp(loaded.Data(), decoded.Data(), sizeof(char16_t) * loaded.Length()) != 0) {
        abort();
    }
    // Encoding back must work for whatever came out.
    const std::string utf8 = loaded.ToUtf8();
    if (utf8.size() > 3 * size_t(loaded.Length())) abort();
    return 0;
}
