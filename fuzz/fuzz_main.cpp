// One libFuzzer program per reader: VELMORA_FUZZ_ENTRY names the entry of
// fuzz_entries.h that this program feeds.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VELMORA_FUZZ_ENTRY(data, size);
  return 0;
}
