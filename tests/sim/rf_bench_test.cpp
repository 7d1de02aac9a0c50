// The simulated radio's RF side as the simulated test set measures it: nothing while unkeyed,
// a settle time after keying, each radio its own curve, the squelch opening with its value.
#include "sim/rf_bench.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvelo::sim {
namespace {

double reading(SimTestSet& ts, const char* query, const RadioModel& m, const RfRadio& rf,
               std::int64_t now) {
    const auto answer = ts.handle(query, m, rf, now);
    EXPECT_TRUE(answer) << query;
    return answer ? std::strtod(answer->c_str(), nullptr) : -1;
}

TEST(RfBench, MeasuresOnlyWhatTheRadioTransmits) {
    RadioModel m;
    m.tunerMode = true;
    m.lastTxSetup = {0, 0, 0, 0, 0xB5, 0x01, 0x44, 0x11, 0x87}; // High power row
    m.live.power = 40;
    const RfRadio rf(m);
    SimTestSet ts;
    EXPECT_EQ(ts.handle("*IDN?", m, rf, 0), "Korvelo,Simulated RF Test Set,SCPI,1.0");

    // Unkeyed: no power, no deviation, no frequency error reading.
    EXPECT_LT(reading(ts, "MEAS:POW?", m, rf, 1000), 0.001);
    EXPECT_LT(reading(ts, "MEAS:FM:DEV?", m, rf, 1000), 50);
    EXPECT_EQ(ts.handle("MEAS:FREQ:ERR?", m, rf, 1000), "9.91E37");

    // Keyed at t = 1000: half way through the settle time, about half the power; settled, the
    // curve's value within the noise.
    m.pttOn = true;
    m.rfChangedAtMs = 1000;
    const double full = rf.powerCurve(40, pointOf(m), true);
    EXPECT_NEAR(reading(ts, "MEAS:POW?", m, rf, 1000 + RfRadio::kSettleMs / 2), full / 2,
                full * 0.05);
    EXPECT_NEAR(reading(ts, "MEAS:POW?", m, rf, 1000 + RfRadio::kSettleMs), full, full * 0.02);
    EXPECT_GT(full, rf.powerCurve(20, pointOf(m), true));
    EXPECT_GT(full, rf.powerCurve(40, pointOf(m), false)); // Low is lower

    // Another serial number, another radio.
    RadioModel other = m;
    other.serialNumber[9] = '9';
    EXPECT_NE(RfRadio(other).powerCurve(40, 1, true), rf.powerCurve(40, 1, true));

    // Squelch: the generator opens the radio at its level, not below; higher values need more.
    m.pttOn = false;
    m.live.squelch = 20;
    const double opening = rf.openingDbm(m);
    ts.handle("OUTP ON", m, rf, 2000);
    ts.handle(("SOUR:POW " + std::to_string(opening - 0.5)).c_str(), m, rf, 2000);
    EXPECT_LT(reading(ts, "MEAS:AUD:LEV?", m, rf, 2000), 0.1);
    ts.handle(("SOUR:POW " + std::to_string(opening + 0.1)).c_str(), m, rf, 2000);
    EXPECT_GT(reading(ts, "MEAS:AUD:LEV?", m, rf, 2000), 0.1);
    m.live.squelch = 30;
    EXPECT_GT(rf.openingDbm(m), opening);
    ts.handle("OUTP OFF", m, rf, 2000);
    EXPECT_LT(reading(ts, "MEAS:AUD:LEV?", m, rf, 2000), 0.1);
    EXPECT_FALSE(ts.handle("BOGUS:CMD", m, rf, 2000));
    EXPECT_EQ(ts.handle("SYST:ERR?", m, rf, 2000), "-113,\"Undefined header\"");
}

} // namespace
} // namespace korvelo::sim
