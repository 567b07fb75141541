// Runs one converter on fuzzer bytes stored as a real file, and throws its output away.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/common/conversion.h"

ConversionResult convert_fuzz_input(const std::uint8_t *data, std::size_t size,
                                    const char *extension, ConversionResult (*convert)());
