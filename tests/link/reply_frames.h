#pragma once
// Reply frames as the radio sends them, for feeding the assembler in tests.
#include <cstdint>
#include <vector>

namespace korvelo::testing {

using Bytes = std::vector<std::uint8_t>;

// 02 10 code body... checksum 03; the checksum covers the marker through the last body byte.
inline Bytes replyFrame(std::uint8_t code, const Bytes& body) {
    Bytes f{0x02, 0x10, code};
    f.insert(f.end(), body.begin(), body.end());
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < f.size(); ++i)
        sum = static_cast<std::uint8_t>(sum + f[i]);
    f.push_back(sum);
    f.push_back(0x03);
    return f;
}

// Information reply (0x71, 0x77, 0x79, 0x7F, 0x93): 16-bit length, then the data.
inline Bytes infoReply(std::uint8_t code, const Bytes& data) {
    Bytes body{static_cast<std::uint8_t>(data.size() >> 8), static_cast<std::uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    return replyFrame(code, body);
}

// Block reply (0x03): address, 16-bit length, then the data.
inline Bytes blockReply(std::uint16_t address, const Bytes& data) {
    Bytes body{static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
               static_cast<std::uint8_t>(data.size() >> 8), static_cast<std::uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    return replyFrame(0x03, body);
}

inline const Bytes kAckFrame{0x02, 0x10, 0x06, 0x16, 0x03};
inline const Bytes kNakFrame{0x02, 0x10, 0x15, 0x25, 0x03};

inline Bytes countingBytes(std::size_t n, std::uint8_t first = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace korvelo::testing
