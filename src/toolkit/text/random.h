// Random numbers, drawn through a source that tests can script.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tk {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Randomize() = 0;                         // seed from the clock
    virtual std::uint32_t Random(std::uint32_t n) = 0;    // uniform over 0 .. n-1, n >= 1
};

// Seeds the current source from the clock.
void Randomize();
// A uniformly distributed integer from 0 to n-1 (n >= 1), without modulo bias.
std::uint32_t Random(std::uint32_t n);

// Replaces the source (tests); nullptr restores the default generator.
void SetRandomSource(std::unique_ptr<RandomSource> source);

// Gives the numbers of a script in turn (each taken modulo n); counts the seedings.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<std::uint32_t> script) : script_(std::move(script)) {}
    void Randomize() override { ++seedings; }
    std::uint32_t Random(std::uint32_t n) override;
    int seedings = 0;
    int draws = 0;

private:
    std::vector<std::uint32_t> script_;
    std::size_t next_ = 0;
};

} // namespace tk
