#pragma once
// The tab hosts (Transmit Modulation, Receive Squelch) on the simulated radio and the virtual
// clock, with the frame helpers of the power page's tests.
#include "power_page_fixture.h"
#include "radio/band_model.h"
#include "softpot/engine/tab_host.h"
#include "softpot/rxsquelch/rx_squelch_pages.h"
#include "softpot/txmodulation/tx_modulation_pages.h"

namespace korvelo {

class TabHostTest : public PowerPageTest {
  protected:
    std::unique_ptr<SoftpotTabHost> host;

    void SetUp() override { loadHostRadio(); }

    // A radio that has been read (every image byte its own offset, power bytes 20..29, all five
    // points present), with the spacing tabs allowed.
    void loadHostRadio(std::uint8_t radioType = 0, bool ak2347 = true, bool big = false) {
        loadRadio(radioType, ak2347);
        Session& s = bench.session;
        s.image[img::kModulationPointMask] = 0x0F;
        s.image[img::kSquelchPointMask] = 0x0F;
        s.flags.spacingTabsEnabled = 1;
        s.flags.is256BlockMemory = big;
        s.isVhfRadio = isVhfForType(radioType, false);
        bench.radio.radioFlags =
            static_cast<std::uint8_t>((ak2347 ? 0x00 : 0x20) | (big ? 0x10 : 0));
    }

    void openHost(const TabHostSpec& tables) {
        host = std::make_unique<SoftpotTabHost>(bench.env(), tables);
        host->open();
        bench.radio.clearReceived();
        bench.clock.clearSteps();
    }

    static std::string cmx(int v) {
        return frame(CommandFrame::cmxRegister(0x02, static_cast<std::uint8_t>(v)));
    }
    static std::string squelch(int v) {
        return frame(CommandFrame::oneByte(Cmd::SquelchValue, static_cast<std::uint8_t>(v)));
    }
    // The read-back of the block at this address after a write.
    static std::string readBack(std::uint16_t address) {
        return frame(CommandFrame::readBlock(address));
    }
    // A region write written out: its header, the bytes, (constant + their sum) & 0xFF, 03.
    static std::string write(std::string_view header, const std::vector<std::uint8_t>& bytes,
                             unsigned constant) {
        std::vector<std::uint8_t> f = hexToBytes(header);
        unsigned sum = constant;
        for (std::uint8_t b : bytes) {
            f.push_back(b);
            sum += b;
        }
        f.push_back(static_cast<std::uint8_t>(sum & 0xFF));
        f.push_back(0x03);
        return bytesToHex(f);
    }
};

} // namespace korvelo
