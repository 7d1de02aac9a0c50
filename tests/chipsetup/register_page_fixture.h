#pragma once
// A register page on the simulated radio (virtual time), with short ways to reach a control by
// its template id as the user would change it.
#include "chipsetup/core/register_page.h"
#include "link/command_frame.h"
#include "support/clock_steps.h"
#include "support/sim_bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace korvelo {

using Bytes = std::vector<std::uint8_t>;

struct RegisterPageTest : ::testing::Test {
    SimBench bench;
    std::unique_ptr<RegisterPage> page;

    RegisterPage& open(const RegisterPageSpec& table) {
        bench.session.flags.imageLoaded = true; // as after Tuning Init
        page = std::make_unique<RegisterPage>(bench.env(), table);
        return *page;
    }
    int at(int control) {
        const int i = page->find(control);
        EXPECT_GE(i, 0) << "no control " << control;
        return i;
    }
    void choose(int control, std::string_view entry) {
        const Binding& b = page->binding(at(control));
        const auto it = std::find(b.list.begin(), b.list.end(), entry);
        ASSERT_NE(it, b.list.end()) << entry;
        page->select(at(control), static_cast<int>(it - b.list.begin()));
    }
    void enter(int control, std::string text) {
        page->type(at(control), std::move(text));
        page->commit(at(control));
    }
    void step(int control, int delta, int times = 1) {
        for (int k = 0; k < times; ++k)
            page->step(at(control), delta);
    }
    const std::string& text(int control) { return page->state(at(control)).text; }
    std::uint8_t& image(unsigned offset) { return bench.session.image[offset]; }
    std::uint8_t eeprom(unsigned offset) const {
        return bench.radio.eeprom[bench.radio.tuningBase() + offset];
    }
    // The frame of a region write: header, count bytes of value `fill`, checksum, end.
    static Bytes regionFrame(std::uint8_t base, std::uint8_t offset, std::uint8_t count,
                             std::uint8_t checksum) {
        Bytes f = {0x02, 0x02, 0x01, base, offset, 0x00, count};
        f.insert(f.end(), count, 0x00);
        f.push_back(checksum);
        f.push_back(0x03);
        return f;
    }
};

} // namespace korvelo
