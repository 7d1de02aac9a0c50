#include "testset/test_set.h"

namespace korvelo::testset {

ScpiTestSet::ScpiTestSet(InstrumentLink& link, const Dialect* dialect)
    : link_(link), dialect_(dialect ? dialect : &genericScpi()), fixed_(dialect != nullptr) {
    LinkTiming t = link_.timing();
    t.termination = std::string(dialect_->termination);
    link_.setTiming(t);
}

std::optional<std::string> ScpiTestSet::identify() {
    auto idn = link_.query("*IDN?");
    if (!idn)
        return std::nullopt;
    idn_ = *idn;
    if (!fixed_) {
        dialect_ = &dialectForIdn(idn_);
        LinkTiming t = link_.timing();
        t.termination = std::string(dialect_->termination);
        link_.setTiming(t);
    }
    return idn;
}

bool ScpiTestSet::send(Op op, double value) {
    const auto line = formatCommand(*dialect_, op, value);
    return line && link_.write(*line);
}

bool ScpiTestSet::setAnalyzerFrequency(double hz) {
    if (!send(Op::AnalyzerFrequency, hz))
        return false;
    link_.settle();
    return true;
}

std::optional<double> ScpiTestSet::read(Measurement m) {
    static constexpr Op kOps[] = {Op::ReadPower, Op::ReadFrequencyError, Op::ReadDeviation,
                                  Op::ReadSinad, Op::ReadAudioLevel};
    const Op op = kOps[static_cast<int>(m)];
    const auto line = formatCommand(*dialect_, op);
    if (!line)
        return std::nullopt;
    const auto answer = link_.query(*line);
    if (!answer)
        return std::nullopt;
    return parseReading(*dialect_, op, *answer);
}

bool ScpiTestSet::setGenerator(double hz, double dbm) {
    if (!send(Op::GeneratorFrequency, hz) || !send(Op::GeneratorLevel, dbm))
        return false;
    link_.settle();
    return true;
}

bool ScpiTestSet::setGeneratorLevel(double dbm) {
    if (!send(Op::GeneratorLevel, dbm))
        return false;
    link_.settle();
    return true;
}

bool ScpiTestSet::setGeneratorOutput(bool on) {
    return send(on ? Op::GeneratorOn : Op::GeneratorOff);
}

bool ScpiTestSet::setGeneratorModulation(double khz) {
    // Families take the deviation in Hz or in kHz as their command says.
    const std::string_view c = dialect_->command(Op::GeneratorModulation);
    return send(Op::GeneratorModulation,
                c.find("{hz}") != std::string_view::npos ? khz * 1e3 : khz);
}

std::string ScpiTestSet::describe() const {
    return (idn_.empty() ? std::string("test set") : idn_) + " (" + std::string(dialect_->name) +
           ", " + link_.describe() + ")";
}

} // namespace korvelo::testset
