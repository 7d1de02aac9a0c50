#pragma once
// A Transmit Power page on the simulated radio and the virtual clock, with helpers that read
// what the radio received as hex text.
#include "link/command_frame.h"
#include "softpot/engine/softpot_group.h"
#include "softpot/txpower/tx_power_page.h"
#include "support/sim_bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvelo {

// Rows in on-screen order.
enum PowerRow { High1, High2, High3, High4, High5, Low1, Low2, Low3, Low4, Low5 };

class PowerPageTest : public ::testing::Test {
  protected:
    SimBench bench;
    std::unique_ptr<SoftpotGroup> page;

    // A radio that has been read: image bytes 0x16..0x1F hold 20..29, every other byte its
    // own offset, so a frame shows which byte it carries.
    void loadRadio(std::uint8_t radioType = 0, bool ak2347 = true, bool tunerMode = true) {
        Session& s = bench.session;
        for (std::size_t i = 0; i < TuningImage::kSize; ++i)
            s.image[i] = static_cast<std::uint8_t>(i);
        for (std::size_t i = 0; i < 10; ++i)
            s.image[0x16 + i] = static_cast<std::uint8_t>(20 + i);
        s.radioType = radioType;
        s.flags.imageLoaded = true;
        s.flags.inTunerMode = tunerMode;
        s.flags.isAk2347Radio = ak2347;
        bench.radio.radioType = radioType;
        bench.radio.radioFlags = ak2347 ? 0x00 : 0x20;
    }

    void openPage() {
        page = std::make_unique<SoftpotGroup>(bench.env(), txPowerPage());
        page->open();
        bench.radio.clearReceived();
        bench.clock.clearSteps();
    }

    void SetUp() override {
        loadRadio();
        openPage();
    }

    // Drag a row's thumb to v and let go.
    void drag(int row, int v) {
        page->scroll(row, ScrollCode::ThumbTrack, v);
        page->endScroll(row);
    }
    void type(int row, const std::string& text) { page->setWorkingEditText(row, text); }

    std::vector<std::string> frames() const {
        std::vector<std::string> out;
        for (const auto& f : bench.radio.receivedFrames())
            out.push_back(bytesToHex(f));
        return out;
    }
    // Frame text as the program writes it, in the form frames() gives.
    static std::string frame(std::string_view hex) { return bytesToHex(hexToBytes(hex)); }
    static std::string setup(std::string_view nineBytes) {
        const auto b = hexToBytes(nineBytes);
        return bytesToHex(
            hexToBytes(CommandFrame::txSetup(std::span<const std::uint8_t, 9>(b.data(), 9))));
    }
    static std::string power(int v) {
        return frame(CommandFrame::oneByte(Cmd::PowerValue, static_cast<std::uint8_t>(v)));
    }
    static std::string akModulation(int v) {
        return frame(CommandFrame::oneByte(Cmd::Modulation, static_cast<std::uint8_t>(v)));
    }
    static std::string pttOn() { return frame("0202 81 8303"); }
    static std::string pttOff() { return frame("0202 82 8403"); }

    std::vector<Notice> notices() const { return bench.notifier.notices; }
    std::string working(int row) const { return page->row(row).controls.working; }
    int position(int row) const { return page->row(row).controls.position; }
};

} // namespace korvelo
