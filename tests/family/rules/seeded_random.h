// SPDX-License-Identifier: GPL-3.0-or-later
// A seeded random source for the rules' tests: many games, each the same at every run.
#pragma once

#include "toolkit/text/random.h"

#include <random>

namespace testing {

class SeededRandom : public tk::RandomSource {
public:
    explicit SeededRandom(unsigned seed) : engine_(seed) {}
    void Randomize() override { ++seedings; }
    std::uint32_t Random(std::uint32_t n) override {
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(engine_);
    }
    static SeededRandom* Install(unsigned seed) {
        auto source = std::make_unique<SeededRandom>(seed);
        SeededRandom* installed = source.get();
        tk::SetRandomSource(std::move(source));
        return installed;
    }
    int seedings = 0;

private:
    std::mt19937 engine_;
};

} // namespace testing
