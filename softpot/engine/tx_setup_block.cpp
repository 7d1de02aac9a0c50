#include "softpot/engine/tx_setup_block.h"

#include "softpot/engine/decimal_text.h"

#include <cmath>

namespace korvelo {

bool encodeTxFrequency(TxSetupBlock& block, double hz) {
    // Texts such as "403.52500" multiplied by 1,000,000 can land a hair below the whole Hz;
    // truncating that would throw a valid point off both rasters, so take the nearest Hz.
    const auto i = static_cast<std::int64_t>(std::llround(hz));
    std::int64_t steps = 0;
    std::uint8_t flags = 0;
    if (i % 6250 == 0) {
        steps = i / 6250;
        flags = TxSetupBlock::kBothOn6250;
    } else if (i % 5000 == 0) {
        steps = i / 5000;
        flags = TxSetupBlock::kTxOn5000;
    } else {
        return false;
    }
    const std::int64_t n = steps / 128;
    block.setTransmit({static_cast<std::uint8_t>(n & 0xFF),
                       static_cast<std::uint8_t>((n >> 8) & 0xFF),
                       static_cast<std::uint8_t>(steps % 128)});
    block.setRaster(flags);
    return true;
}

bool encodeRxFrequency(TxSetupBlock& block, double hz, bool isVhfRadio) {
    constexpr std::int64_t kOscillatorOffsetHz = 45'100'000;
    const auto f = static_cast<std::int64_t>(std::llround(hz));
    const std::int64_t lo = f + (isVhfRadio ? kOscillatorOffsetHz : -kOscillatorOffsetHz);
    if (lo <= 0)
        return false;
    std::int64_t n = 0;
    std::uint8_t flags = 0;
    if (lo % 6250 == 0) {
        n = lo / 6250;
        flags = TxSetupBlock::kBothOn6250;
    } else if (f % 5000 == 0) {
        n = lo / 5000;
        flags = TxSetupBlock::kRxOn5000;
    } else {
        return false;
    }
    const std::int64_t high = n / 128;
    block.setReceive({static_cast<std::uint8_t>(high & 0xFF),
                      static_cast<std::uint8_t>((high >> 8) & 0xFF),
                      static_cast<std::uint8_t>(n % 128)});
    block.setRaster(flags);
    return true;
}

double frequencyTextToHz(std::string_view text) {
    return decimalTextToDouble(text) * 1'000'000.0;
}

} // namespace korvelo
