// Random numbers: a Mersenne Twister by default, replaceable by a scripted source in tests.
#include "toolkit/text/random.h"

#include <chrono>
#include <random>

namespace tk {

namespace {

class DefaultRandom : public RandomSource {
public:
    void Randomize() override {
        // The clock alone can repeat between two quick starts; the device adds what it has.
        const auto now =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
        std::random_device device;
        std::seed_seq seed{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32), device()};
        engine_.seed(seed);
    }
    std::uint32_t Random(std::uint32_t n) override {
        if (n <= 1)
            return 0;
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(engine_);
    }

private:
    std::mt19937 engine_;
};

std::unique_ptr<RandomSource>& Source() {
    static std::unique_ptr<RandomSource> source = std::make_unique<DefaultRandom>();
    return source;
}

} // namespace

void Randomize() {
    Source()->Randomize();
}

std::uint32_t Random(std::uint32_t n) {
    return Source()->Random(n);
}

void SetRandomSource(std::unique_ptr<RandomSource> source) {
    Source() = source ? std::move(source) : std::make_unique<DefaultRandom>();
}

std::uint32_t ScriptedRandom::Random(std::uint32_t n) {
    ++draws;
    if (n == 0 || script_.empty())
        return 0;
    const std::uint32_t value = script_[next_ % script_.size()];
    ++next_;
    return value % n;
}

} // namespace tk
