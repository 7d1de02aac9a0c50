// The tuning-file loader on arbitrary file contents: it must never crash, read out of bounds
// or accept a record without a magic, and the stream loader behind Open must agree with the
// in-memory parser.
#include "radio/tuning_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace korvelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> contents(data, size);
    const auto parsed = parseTuningFile(contents);

    std::FILE* file = ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (file == nullptr) // fmemopen refuses empty buffers on some C libraries
        return 0;
    const LoadResult loaded = readTuningFile(file);
    std::fclose(file);

    if (parsed.has_value() != (loaded.error == LoadError::None))
        std::abort();
    if (!parsed)
        return 0;
    if (size < kTuningFileSize || !(parsed->image == loaded.record.image) ||
        parsed->isAk2347Radio != loaded.record.isAk2347Radio)
        std::abort();
    // What was loaded saves back as the record it came from.
    const auto encoded = encodeTuningFile(*parsed);
    const std::size_t last = (size / kTuningFileSize - 1) * kTuningFileSize;
    if (std::memcmp(encoded.data(), data + last, kTuningFileSize) != 0)
        std::abort();
    return 0;
}
