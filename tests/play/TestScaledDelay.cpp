#include "play/ScaledDelay.h"

#include <QTest>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace
{

// The computation the integer one stands in for, where this compiler's long double is the x87 format.
std::int32_t extendedReference(std::int32_t delay, int percent)
{
    const long double quotient = static_cast<long double>(percent) / 100.0L;
    const long double rounded = std::nearbyint(static_cast<long double>(delay) * quotient);
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (rounded <= static_cast<long double>(lowest))
        return lowest;
    if (rounded >= static_cast<long double>(highest))
        return highest;
    return static_cast<std::int32_t>(rounded);
}

// Every delay up to ten seconds, each sign; then a spread over the whole 32-bit range and its edges.
std::vector<std::int32_t> delaysToCheck()
{
    std::vector<std::int32_t> delays;
    for (std::int32_t delay = 0; delay <= 10000; ++delay) {
        delays.push_back(delay);
        delays.push_back(-delay);
    }
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (int i = 0; i < 10000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        delays.push_back(std::int32_t(std::uint32_t(state >> 32)));
    }
    for (std::int64_t power = 1; power <= (std::int64_t(1) << 31); power *= 2) {
        for (const std::int64_t near : {power - 1, power, power + 1}) {
            delays.push_back(std::int32_t(std::clamp<std::int64_t>(near, INT32_MIN, INT32_MAX)));
            delays.push_back(std::int32_t(std::clamp<std::int64_t>(-near, INT32_MIN, INT32_MAX)));
        }
    }
    return delays;
}

} // namespace

class TestScaledDelay : public QObject
{
    Q_OBJECT

  private slots:
    void knownResults_data();
    void knownResults();
    void equalsTheExtendedComputation();
};

void TestScaledDelay::knownResults_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("expected");
    // 0.1 is a little more than a tenth in 64 bits, yet 5 x it rounds back to exactly a half: even 0.
    QTest::newRow("5 at 10%") << 5 << 10 << 0;
    QTest::newRow("15 at 10%") << 15 << 10 << 2;
    QTest::newRow("25 at 10%") << 25 << 10 << 2;
    QTest::newRow("35 at 10%") << 35 << 10 << 4;
    QTest::newRow("50 at 1%") << 50 << 1 << 0;
    QTest::newRow("150 at 1%") << 150 << 1 << 2;
    QTest::newRow("-150 at 1%") << -150 << 1 << -2;
    QTest::newRow("negative speed") << 150 << -1 << -2;
    QTest::newRow("3 at 50%") << 3 << 50 << 2;
    QTest::newRow("largest at 100%") << INT32_MAX << 100 << INT32_MAX;
    QTest::newRow("largest at 99%") << INT32_MAX << 99 << 2126008811;
    QTest::newRow("smallest at 100%") << INT32_MIN << 100 << INT32_MIN;
    QTest::newRow("clamped high") << INT32_MAX << 200 << INT32_MAX;
    QTest::newRow("clamped low") << INT32_MIN << 200 << INT32_MIN;
    QTest::newRow("huge speed") << 1000 << INT32_MAX << INT32_MAX;
    QTest::newRow("most negative speed") << 1000 << INT32_MIN << INT32_MIN;
    QTest::newRow("zero speed") << 1000 << 0 << 0;
}

void TestScaledDelay::knownResults()
{
    QFETCH(int, delay);
    QFETCH(int, percent);
    QFETCH(int, expected);
    QCOMPARE(scaleDelayLikeExtended(delay, percent), expected);
}

void TestScaledDelay::equalsTheExtendedComputation()
{
    if (LDBL_MANT_DIG != 64)
        QSKIP("this compiler's long double is not the 80-bit format the results are defined by");
    const std::vector<std::int32_t> delays = delaysToCheck();
    std::vector<int> speeds;
    for (int speed = 1; speed <= 200; ++speed)
        speeds.push_back(speed);
    for (const int speed : {0, -1, -50, 201, 250, 1000, 12345, 1000000, INT32_MAX, INT32_MIN})
        speeds.push_back(speed);
    long long mismatches = 0;
    for (const int speed : speeds) {
        for (const std::int32_t delay : delays) {
            const std::int32_t exact = scaleDelayLikeExtended(delay, speed);
            const std::int32_t reference = extendedReference(delay, speed);
            if (exact != reference && ++mismatches <= 10)
                qWarning("delay %d at %d%%: %d, extended precision gives %d", delay, speed, exact, reference);
        }
    }
    QCOMPARE(mismatches, 0LL);
}

QTEST_GUILESS_MAIN(TestScaledDelay)
#include "TestScaledDelay.moc"
