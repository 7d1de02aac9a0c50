#pragma once
// Command frames as the system writes them: hex text such as "0202 40 4203", turned into
// bytes by SendHex. Frame: 02 02 code [parameters] checksum 03; the checksum is the low 8
// bits of the sum of every byte from the marker through the last data byte.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

// Command codes of the catalogue.
enum class Cmd : std::uint8_t {
    WriteRegion = 0x01,
    ReadBlock = 0x02,
    EnterTunerMode = 0x40,
    LeaveTunerMode = 0x41,
    TxSetup = 0x42,
    Modulation = 0x43,
    PowerValue = 0x44,
    SquelchValue = 0x45,
    SubAudioOn = 0x48,
    SubAudioOff = 0x49,
    ZelOn = 0x4A,
    ZelOff = 0x4B,
    ZelValue = 0x4C,
    ZelCheck = 0x4D,
    FwVersion = 0x70,
    Reset = 0x72,
    SerialNumber = 0x76,
    RadioType = 0x78,
    CountryCode = 0x7E,
    PttOn = 0x81,
    PttOff = 0x82,
    RadioFlags = 0x92,
    CmxRegister = 0xB3,
};

std::uint8_t hexDigitValue(char c); // 0..15; anything else gives 0
// Blanks and CR-LF pairs removed; pairs of digits become bytes; an odd last digit alone
// becomes one more byte (0..15).
std::vector<std::uint8_t> hexToBytes(std::string_view text);
std::string bytesToHex(std::span<const std::uint8_t> bytes, std::string_view separator = " ");

namespace CommandFrame {

// Low 8 bits of the sum of the given bytes.
std::uint8_t checksum(std::span<const std::uint8_t> bytes);

// "0202 cc ss03" for a command without data (enter tuner mode: "0202 40 4203").
std::string noData(Cmd code);
// "0202 cc 00 01" + value + checksum + "03" (0x43, 0x44, 0x45, 0x48, 0x4C).
std::string oneByte(Cmd code, std::uint8_t value);
// "0202 B3 00 02" + a + b + checksum + "03".
std::string cmxRegister(std::uint8_t a, std::uint8_t b);
// "0202 42 00 09" + 9 bytes + checksum + "03".
std::string txSetup(std::span<const std::uint8_t, 9> block);
// "0202 02" + address "%04X" + "00 40" + checksum + "03".
std::string readBlock(std::uint16_t address);
// "0202 01 " + base + " " + offset + " 00 " + count + bytes + checksum + "03".
std::string writeRegion(std::uint8_t base, std::uint8_t offset,
                        std::span<const std::uint8_t> bytes);

// The catalogue's fixed texts.
inline std::string enterTunerMode() {
    return noData(Cmd::EnterTunerMode);
}
inline std::string leaveTunerMode() {
    return noData(Cmd::LeaveTunerMode);
}
inline std::string reset() {
    return noData(Cmd::Reset);
}
inline std::string radioFlags() {
    return noData(Cmd::RadioFlags);
}
inline std::string radioType() {
    return noData(Cmd::RadioType);
}
inline std::string fwVersion() {
    return noData(Cmd::FwVersion);
}
inline std::string serialNumber() {
    return noData(Cmd::SerialNumber);
}
inline std::string countryCode() {
    return noData(Cmd::CountryCode);
}
inline std::string pttOn() {
    return noData(Cmd::PttOn);
}
inline std::string pttOff() {
    return noData(Cmd::PttOff);
}

} // namespace CommandFrame
} // namespace korvelo
