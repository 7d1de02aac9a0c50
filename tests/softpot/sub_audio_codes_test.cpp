// The codes the transmit sub-audio pages key the radio with.
#include "softpot/txsubaudio/sub_audio_codes.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

TEST(SubAudioCodes, TonesThenDcsCodesNumberedFromOne) {
    EXPECT_EQ(subAudioCode("67.0"), 1);
    EXPECT_EQ(subAudioCode("146.2"), 24);
    EXPECT_EQ(subAudioCode("151.4"), 25);
    EXPECT_EQ(subAudioCode("254.1"), 42);
    EXPECT_EQ(subAudioCode("023"), 43);
    EXPECT_EQ(subAudioCode("754"), 127);
    EXPECT_EQ(subAudioCode("67"), std::nullopt);
    EXPECT_EQ(ctcssTones[kLowCtcssCount], "151.4"); // the high group's first tone
}

} // namespace
} // namespace korvelo
