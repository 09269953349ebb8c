/* The Vorbis decoder compiled from its single header into the Ogg fuzz target
   with the fuzzer's coverage and the address sanitizer, so that the fuzzer
   can steer into its branches. Its definitions take the place of the shared
   library's copy in that one program. */
#include <stb_vorbis.h>
