// libFuzzer target for the RIFF WAVE reader: every input is handed to
// LoadWAV as a seekable stream. A crash, a sanitizer report, a leak or an
// allocation beyond the fuzzer's malloc limit (tools/fuzz.sh sets it far
// below what any chunk size could ask for) is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;  // fmemopen refuses an empty buffer
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    int length = -1, channels = -1, format = -1, hertz = -1;
    unsigned char* pcm = LoadWAV(file, &length, &channels, &format, &hertz);
    fclose(file);
    if (pcm) {
        // The block must hold every byte the reported shape promises, and that
        // can never exceed what the input held. Format 0 is a sample kept
        // silent (samples that are not whole bytes).
        const size_t bytes = size_t(length) * size_t(channels) * size_t(format);
        if (length < 0 || channels <= 0 || format < 0 || bytes > size) abort();
        volatile unsigned char sink = 0;
        for (size_t i = 0; i < bytes; ++i)
            sink = sink ^ pcm[i];
        free(pcm);
    }
    return 0;
}
