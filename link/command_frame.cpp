#include "link/command_frame.h"

#include <cstdio>

namespace korvelo {

std::uint8_t hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    return 0;
}

std::vector<std::uint8_t> hexToBytes(std::string_view text) {
    std::string digits;
    digits.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ')
            continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        digits.push_back(text[i]);
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(digits.size() / 2 + 1);
    const std::size_t even = digits.size() & ~std::size_t{1};
    for (std::size_t k = 0; k < even; k += 2)
        bytes.push_back(static_cast<std::uint8_t>(hexDigitValue(digits[k]) * 16 +
                                                  hexDigitValue(digits[k + 1])));
    if (digits.size() % 2 != 0)
        bytes.push_back(hexDigitValue(digits.back()));
    return bytes;
}

std::string bytesToHex(std::span<const std::uint8_t> bytes, std::string_view separator) {
    std::string out;
    char buf[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0)
            out += separator;
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

namespace CommandFrame {

namespace {
std::string hex2(unsigned v) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

std::uint8_t code(Cmd c) {
    return static_cast<std::uint8_t>(c);
}

// "0202 cc 00 nn" + data + checksum + "03".
std::string countAndData(Cmd c, std::span<const std::uint8_t> data) {
    unsigned sum = 0x02 + code(c) + ((data.size() >> 8) & 0xFF) + (data.size() & 0xFF);
    std::string text = "0202 " + hex2(code(c)) + " " +
                       hex2(static_cast<unsigned>(data.size() >> 8)) + " " +
                       hex2(static_cast<unsigned>(data.size()));
    text += " ";
    for (std::uint8_t b : data) {
        text += hex2(b);
        sum += b;
    }
    return text + hex2(sum) + "03";
}
} // namespace

std::uint8_t checksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint8_t>(sum);
}

std::string noData(Cmd c) {
    return "0202 " + hex2(code(c)) + " " + hex2(0x02u + code(c)) + "03";
}

std::string oneByte(Cmd c, std::uint8_t value) {
    const std::uint8_t data[1] = {value};
    return countAndData(c, data);
}

std::string cmxRegister(std::uint8_t a, std::uint8_t b) {
    const std::uint8_t data[2] = {a, b};
    return countAndData(Cmd::CmxRegister, data);
}

std::string txSetup(std::span<const std::uint8_t, 9> block) {
    return countAndData(Cmd::TxSetup, block);
}

std::string readBlock(std::uint16_t address) {
    const unsigned hi = address >> 8, lo = address & 0xFF;
    const unsigned sum = 0x02 + 0x02 + hi + lo + 0x00 + 0x40;
    return "0202 02 " + hex2(hi) + hex2(lo) + " 00 40 " + hex2(sum) + "03";
}

std::string writeRegion(std::uint8_t base, std::uint8_t offset,
                        std::span<const std::uint8_t> bytes) {
    unsigned sum = 0x02 + 0x01 + base + offset + static_cast<unsigned>(bytes.size());
    std::string text = "0202 01 " + hex2(base) + " " + hex2(offset) + " 00 " +
                       hex2(static_cast<unsigned>(bytes.size())) + " ";
    for (std::uint8_t b : bytes) {
        text += hex2(b);
        sum += b;
    }
    return text + hex2(sum) + "03";
}

} // namespace CommandFrame
} // namespace korvelo
