// Per-byte rules held as 256-entry tables, applied over whole images.
// The passes split large images across the cores and use 64-byte vector
// lookups where the processor has them; the result is the same byte for byte.
#pragma once

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>

namespace velmora {

// octets[i] = table[octets[i]] for i in [0, n).
void AppliquerTableOctets(uint8_t *octets, std::size_t n, const uint8_t *table);

// Each channel of each pixel through its own table.
void AppliquerTablesPixels(TPtImg *pixels, std::size_t n, const uint8_t *tableBleu,
                           const uint8_t *tableVert, const uint8_t *tableRouge);
// The same from one array into another of at least n pixels (the same or not overlapping).
void AppliquerTablesPixels(const TPtImg *source, TPtImg *dest, std::size_t n,
                           const uint8_t *tableBleu, const uint8_t *tableVert,
                           const uint8_t *tableRouge);
// The same on the calling thread alone, for a rule whose caller shares out the work.
void TraiterTablesPixels(const TPtImg *source, TPtImg *dest, std::size_t n,
                         const uint8_t *tableBleu, const uint8_t *tableVert,
                         const uint8_t *tableRouge);

} // namespace velmora
