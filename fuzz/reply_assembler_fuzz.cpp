// Random bytes into the reply assembler, cut into receive events at random places. Whatever
// comes, the reply objects keep their invariants and only whole, valid frames are committed.
#include "link/reply_objects.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using korvelo::FrameTrace;
using korvelo::ReplyObjects;

[[noreturn]] void fail() {
    std::abort();
}

bool isInformation(std::uint8_t code) {
    return code == 0x71 || code == 0x77 || code == 0x79 || code == 0x7F || code == 0x93;
}

// Every committed frame must be exactly one valid reply frame.
class CheckingTrace : public FrameTrace {
  public:
    void sent(std::span<const std::uint8_t>) override { fail(); }
    void received(std::span<const std::uint8_t> f) override {
        if (f.size() < 5 || f.size() > 128 || f[0] != 0x02 || f[1] != 0x10 || f.back() != 0x03)
            fail();
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i + 2 < f.size(); ++i)
            sum = static_cast<std::uint8_t>(sum + f[i]);
        if (sum != f[f.size() - 2])
            fail();
        const std::uint8_t code = f[2];
        std::size_t want = 0;
        if (code == 0x06 || code == 0x15)
            want = 5;
        else if (code == 0x03 && f.size() > 7)
            want = 9 + (f[6] == 0 ? 1 : f[6]);
        else if (isInformation(code) && f.size() > 5)
            want = 7 + (f[4] == 0 ? 1 : f[4]);
        if (want != f.size())
            fail();
        ++committed;
    }
    int committed = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    ReplyObjects replies;
    CheckingTrace trace;
    replies.setTrace(&trace);
    // The first byte picks how long the receive events are (1..16 bytes, or all at once).
    const std::size_t piece = data[0] == 0 ? size : 1 + data[0] % 16;
    for (std::size_t at = 1; at < size; at += piece) {
        const std::size_t n = std::min(piece, size - at);
        const auto snapshot = replies.replyData.copy();
        const int committedBefore = trace.committed;
        replies.replyEvent.reset();
        replies.feed(data + at, n);
        replies.endOfReceiveEvent();

        const std::uint8_t status = replies.replyStatus.load();
        if (status != 0x00 && status != 0xFF && status != 0xAC && status != 0xFA)
            fail();
        const int state = replies.assembler().state();
        if (state < 0 || state > 9)
            fail();
        // The caller is woken exactly when no frame is left half done.
        if (replies.replyEvent.isSet() == replies.assembler().midFrame())
            fail();
        // replyData changes only through a committed frame.
        if (trace.committed == committedBefore && replies.replyData.copy() != snapshot)
            fail();
    }
    return 0;
}
