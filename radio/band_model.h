#pragma once
// Band model: the radio-type byte, the band groups every page shares, and the frequency-point
// labels each page family shows per band group.
#include <cstdint>
#include <span>
#include <string_view>

namespace korvelo {

enum class BandGroup { None, V1, V2, U1, U2, U3, U4 };

// Radio type 1 is V2 for some pages and no group for others; each page says which.
enum class Type1 { NoGroup, AsV2 };

BandGroup bandGroup(std::uint8_t radioType, Type1 type1);

enum class LabelFamily { TxPower, TxModulation, RxSquelch, TxSubAudio, ZelSignalling };

// The labels exactly as the pages hold them ("136.00000", "245.000000", "UNSUPPORTED"); empty
// for BandGroup::None.
std::span<const std::string_view> frequencyLabels(LabelFamily family, BandGroup group);

// The frequency range of a band group as a technician names it ("136 to 174 MHz"); empty for
// BandGroup::None.
std::string_view bandRange(BandGroup group);

// 1 for radio types 0, 1 and 2; 0 for 3 to 12; types above 12 leave the previous value.
bool isVhfForType(std::uint8_t radioType, bool previous);

} // namespace korvelo
