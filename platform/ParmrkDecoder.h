#pragma once
// Line errors and breaks reach Linux programs only inside the data: with PARMRK a break
// reads as ff 00 00, a byte c received with a parity or framing error as ff 00 c, and a
// real ff byte as ff ff. The decoder turns that stream back into bytes and markers; a
// marker cut between two reads is completed by the next one.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace WinComm {

enum class TRxKind : uint8_t { Data, Break, Error };

struct TRxItem {
    TRxKind Kind;
    uint8_t Byte; // the received byte (Data, Error); 0 for a break
    bool operator==(const TRxItem&) const = default;
};

class TParmrkDecoder {
public:
    void Decode(const uint8_t* Raw, size_t Count, std::vector<TRxItem>& Items);
    // Forgets a half-read marker (the input was discarded).
    void Reset() { seen_ = 0; }

private:
    int seen_ = 0; // bytes of a marker read so far: 0, 1 (ff) or 2 (ff 00)
};

} // namespace WinComm
