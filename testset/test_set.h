#pragma once
// What alignment needs of an RF test set. InstrumentTestSet drives a real (or simulated) one
// through its family's file; tests use model test sets.
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
    // W, Hz, kHz, dB, V; nothing when the test set gave no reading (lastError says why).
    virtual std::optional<double> read(Measurement m) = 0;
    virtual bool setGenerator(double hz, double dbm) = 0;
    virtual bool setGeneratorLevel(double dbm) = 0;
    virtual bool setGeneratorOutput(bool on) = 0;
    virtual bool setGeneratorModulation(double khz) = 0;
    // What it is and how it is reached, for the report.
    virtual std::string describe() const = 0;
    // Why the last operation failed, for the row's note.
    virtual std::string lastError() const { return {}; }
    // How long after a value change a reading is the new value's: the instrument's settle time
    // and the time its reading averages over.
    virtual int freshAfterMs() const { return 0; }
};

// One identity answer judged: the answer of an instrument, not an echo of the query, a prompt,
// an error text or a web page.
bool plausibleIdentity(std::string_view answer, std::string_view query);

class InstrumentTestSet : public TestSet {
  public:
    // The family is fixed here (the user's choice wins), or (nullptr) found at identify() by
    // the answers to the families' identity probes.
    InstrumentTestSet(InstrumentLink& link, const Family* family = nullptr);
    ~InstrumentTestSet() override;

    // Runs the family's identity probes (finding the family first when none was chosen) and,
    // when they are answered plausibly, its set-up lines. Nothing with lastError() when no
    // instrument of a known family answered.
    std::optional<std::string> identify() override;
    bool setAnalyzerFrequency(double hz) override;
    std::optional<double> read(Measurement m) override;
    bool setGenerator(double hz, double dbm) override;
    bool setGeneratorLevel(double dbm) override;
    bool setGeneratorOutput(bool on) override;
    bool setGeneratorModulation(double khz) override;
    std::string describe() const override;
    std::string lastError() const override { return error_; }
    int freshAfterMs() const override {
        return family_->timing.settleMs + family_->timing.averagingMs;
    }
    // The family's tear-down lines and the adapter's closing lines; also done by the destructor.
    void finish();

    const Family& family() const { return *family_; }
    const std::string& identity() const { return idn_; }

  private:
    bool send(Op op, double value = 0);
    bool detect();
    bool fail(std::string why);

    InstrumentLink& link_;
    const Family* family_;
    bool fixed_;
    bool started_ = false;
    std::string idn_;
    std::string error_;
};

// korvelo-cli testset probe and the "Test connection" button: connect, identify, one power
// reading, disconnect.
struct ProbeResult {
    bool ok = false;
    std::string family; // its name
    std::string familyId;
    std::string identity;
    std::optional<double> powerW;
    std::string message; // what went wrong, or a one-line summary
    std::vector<std::string> trace;
};
ProbeResult probeTestSet(const std::string& connection, const Family* family, Clock& clock,
                         std::function<bool()> stop = {});

} // namespace korvelo::testset
