#pragma once
// What alignment needs of an RF test set. ScpiTestSet drives a real (or simulated) one through
// a dialect table; tests use model test sets.
#include "testset/dialect.h"
#include "testset/instrument_link.h"

#include <optional>
#include <string>

namespace korvelo::testset {

enum class Measurement { Power, FrequencyError, Deviation, Sinad, AudioLevel };

class TestSet {
  public:
    virtual ~TestSet() = default;
    virtual std::optional<std::string> identify() = 0;
    virtual bool setAnalyzerFrequency(double hz) = 0;
    // W, Hz, kHz, dB, V; nothing when the test set gave no reading.
    virtual std::optional<double> read(Measurement m) = 0;
    virtual bool setGenerator(double hz, double dbm) = 0;
    virtual bool setGeneratorLevel(double dbm) = 0;
    virtual bool setGeneratorOutput(bool on) = 0;
    virtual bool setGeneratorModulation(double khz) = 0;
    // What it is and how it is reached, for the report.
    virtual std::string describe() const = 0;
};

class ScpiTestSet : public TestSet {
  public:
    // The dialect is fixed here, or (nullptr) chosen by the *IDN? answer at identify().
    ScpiTestSet(InstrumentLink& link, const Dialect* dialect = nullptr);

    std::optional<std::string> identify() override;
    bool setAnalyzerFrequency(double hz) override;
    std::optional<double> read(Measurement m) override;
    bool setGenerator(double hz, double dbm) override;
    bool setGeneratorLevel(double dbm) override;
    bool setGeneratorOutput(bool on) override;
    bool setGeneratorModulation(double khz) override;
    std::string describe() const override;
    const Dialect& dialect() const { return *dialect_; }

  private:
    bool send(Op op, double value = 0);

    InstrumentLink& link_;
    const Dialect* dialect_;
    bool fixed_;
    std::string idn_;
};

} // namespace korvelo::testset
