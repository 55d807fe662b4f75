// One libFuzzer target; NQB_FUZZ_READER names the reader (Plan, Ini, Dish,
// Dris, Csv or Backup).
#include "FuzzReaders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    nqb::fuzz::run(nqb::fuzz::Reader::NQB_FUZZ_READER,
                   QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    return 0;
}
