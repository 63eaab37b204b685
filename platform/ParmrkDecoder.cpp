#include "platform/ParmrkDecoder.h"

namespace WinComm {

void TParmrkDecoder::Decode(const uint8_t* Raw, size_t Count, std::vector<TRxItem>& Items)
{
    for (size_t i = 0; i < Count; ++i) {
        const uint8_t byte = Raw[i];
        switch (seen_) {
        case 0:
            if (byte == 0xFF)
                seen_ = 1;
            else
                Items.push_back({TRxKind::Data, byte});
            break;
        case 1:
            if (byte == 0x00) {
                seen_ = 2;
            } else {
                // ff ff is an escaped ff; ff before anything else cannot come from the
                // line discipline, so the ff is kept as data and the byte read afresh.
                Items.push_back({TRxKind::Data, 0xFF});
                seen_ = 0;
                if (byte != 0xFF)
                    --i;
            }
            break;
        default:
            // ff 00 00 is a break; an error on a received 0 byte looks the same and is
            // taken as a break too.
            Items.push_back(byte == 0x00 ? TRxItem{TRxKind::Break, 0} : TRxItem{TRxKind::Error, byte});
            seen_ = 0;
            break;
        }
    }
}

} // namespace WinComm
