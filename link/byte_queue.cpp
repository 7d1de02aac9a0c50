#include "link/byte_queue.h"

namespace korvelo {

bool ByteQueue::append(std::uint8_t b) {
    if (count() == kSize - 1)
        return false;
    bytes_[tail_] = b;
    tail_ = (tail_ + 1) % kSize;
    return true;
}

bool ByteQueue::take(std::uint8_t& b) {
    if (count() == 0)
        return false;
    b = bytes_[head_];
    head_ = (head_ + 1) % kSize;
    return true;
}

void ByteQueue::clear() {
    head_ = 0;
    tail_ = 0;
    bytes_.fill(0);
}

} // namespace korvelo
