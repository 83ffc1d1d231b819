// The digit image read from "number.rgb" at start-up.
#pragma once

#include <cstddef>

// Bytes reserved for the digit image.
constexpr size_t kDigitImageBytes = 3072;

// Reads the file at `path` into `buffer`: up to 32 reads of up to `size` bytes, each from the
// start of the buffer. Anything but a readable regular file is skipped without waiting, so a
// named pipe with no writer cannot hang start-up. Returns whether any bytes were read.
bool loadDigitImage(const char* path, unsigned char* buffer, size_t size);
