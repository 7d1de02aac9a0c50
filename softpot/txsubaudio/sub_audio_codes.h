#pragma once
// The tones and codes the transmit sub-audio pages offer, and the byte "PTT Toggle" sends for
// one: 1..42 for a CTCSS tone (its position in ctcssTones), 43..127 for a DCS code.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvelo {

extern const std::array<std::string_view, 42> ctcssTones;
extern const std::array<std::string_view, 85> dcsCodes;

// The first 24 tones make the low CTCSS group, the rest the high one.
inline constexpr std::size_t kLowCtcssCount = 24;

// The code of a tone or DCS code text; nothing for a text in neither table.
std::optional<std::uint8_t> subAudioCode(std::string_view toneOrCode);

} // namespace korvelo
