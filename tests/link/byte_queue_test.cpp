#include "link/byte_queue.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

TEST(ByteQueue, HoldsAtMost1023BytesAndRefusesTheNext) {
    ByteQueue q;
    for (int i = 0; i < 1023; ++i)
        ASSERT_TRUE(q.append(static_cast<std::uint8_t>(i)));
    EXPECT_EQ(q.count(), 1023u);
    EXPECT_FALSE(q.append(0xAA));
    EXPECT_EQ(q.count(), 1023u);
    std::uint8_t b = 0;
    ASSERT_TRUE(q.take(b));
    EXPECT_EQ(b, 0);
    EXPECT_TRUE(q.append(0xAA));
}

TEST(ByteQueue, CountsAndOrderSurviveWrappingAroundTheRing) {
    ByteQueue q;
    std::uint8_t b = 0;
    for (int i = 0; i < 1000; ++i) {
        q.append(1);
        q.take(b);
    }
    EXPECT_EQ(q.count(), 0u);
    for (int i = 0; i < 1023; ++i)
        ASSERT_TRUE(q.append(static_cast<std::uint8_t>(i * 7)));
    EXPECT_FALSE(q.append(0));
    for (int i = 0; i < 1023; ++i) {
        ASSERT_TRUE(q.take(b));
        ASSERT_EQ(b, static_cast<std::uint8_t>(i * 7)) << i;
    }
    EXPECT_FALSE(q.take(b));
}

TEST(ByteQueue, ClearEmptiesTheQueue) {
    ByteQueue q;
    for (int i = 0; i < 600; ++i)
        q.append(0x5A);
    q.clear();
    EXPECT_EQ(q.count(), 0u);
    std::uint8_t b = 1;
    EXPECT_FALSE(q.take(b));
    for (int i = 0; i < 1023; ++i)
        ASSERT_TRUE(q.append(0));
}

} // namespace
} // namespace korvelo
