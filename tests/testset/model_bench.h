#pragma once
// A model radio and a model test set for the alignment loop, without I/O: the reading is a
// function of the value, seen only while the radio is keyed, with optional noise; the test set
// can be told to stop answering.
#include "testset/align_loop.h"

#include <functional>
#include <random>

namespace korvelo::testset {

struct ModelRadio : AlignRadio {
    std::function<double(int)> response; // reading at a value
    int stored = 32;
    int max = 63;
    int value = 32;
    bool keyed = false;
    bool everKeyed = false;
    int setUps = 0;
    std::vector<int> sent;

    bool setUp() override {
        ++setUps;
        value = stored;
        return true;
    }
    bool key() override {
        keyed = everKeyed = true;
        return true;
    }
    bool unkey() override {
        keyed = false;
        return true;
    }
    bool setValue(int v) override {
        value = v;
        sent.push_back(v);
        return true;
    }
    int storedValue() const override { return stored; }
    int maxValue() const override { return max; }
    double frequencyHz() const override { return 146.0e6; }
    int watchdogAfter = -1; // the watchdog unkeys at this check (counted from 0); < 0: never
    int checks = 0;
    bool stillKeyed() override {
        if (watchdogAfter >= 0 && checks++ == watchdogAfter)
            keyed = false;
        return keyed;
    }
};

struct ModelTestSet : TestSet {
    ModelRadio& radio;
    double noise = 0;
    int answersLeft = -1; // < 0: always answers
    bool squelch = false; // the radio opens when the level reaches response(value)
    double level = -200;
    bool generatorOn = false;
    std::vector<double> levels;
    std::mt19937 rng{7};

    explicit ModelTestSet(ModelRadio& r) : radio(r) {}
    bool answers() { return answersLeft < 0 || answersLeft-- > 0; }
    std::optional<std::string> identify() override { return "model"; }
    bool setAnalyzerFrequency(double) override { return true; }
    std::optional<double> read(Measurement m) override {
        if (!answers())
            return std::nullopt;
        if (m == Measurement::AudioLevel)
            return generatorOn && level >= radio.response(radio.value) ? 0.5 : 0.0;
        if (!radio.keyed)
            return 0.0;
        std::normal_distribution<double> n(0, 1);
        return radio.response(radio.value) + noise * n(rng);
    }
    bool setGenerator(double, double dbm) override { return setGeneratorLevel(dbm); }
    bool setGeneratorLevel(double dbm) override {
        level = dbm;
        levels.push_back(dbm);
        return true;
    }
    bool setGeneratorOutput(bool on) override {
        generatorOn = on;
        return true;
    }
    bool setGeneratorModulation(double) override { return true; }
    std::string describe() const override { return "model"; }
};

} // namespace korvelo::testset
