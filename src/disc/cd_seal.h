// Sealing a raw CD data sector after its user data changed: the EDC and the
// P and Q parity of Mode 1 and Mode 2 Form 1 sectors, laid out as ECMA-130
// lays them out, so a drive or an emulator reads the changed sector as good.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bytes.h"

namespace vorel {

// The CD-ROM EDC (CRC-32 with polynomial 0xD8018001, nothing inverted) of `bytes`.
std::uint32_t CdSectorEdc(ByteSpan bytes);

// Computes the EDC and the P and Q parity of a whole 2,352-byte sector again
// from its header and user data. Mode 1: EDC over bytes 0 to 2,063; Mode 2
// Form 1: EDC over the subheader and user data, and the ECC computed with the
// four address bytes taken as zero. False, with the sector untouched, for
// anything else (a partial sector, audio, Mode 2 Form 2, an unknown mode).
bool SealDataSector(MutableByteSpan sector);

}  // namespace vorel
