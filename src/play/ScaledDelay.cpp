#include "ScaledDelay.h"

#include <initializer_list>
#include <limits>

namespace
{

// An unsigned 128-bit number, portable to compilers without a 128-bit type.
struct Wide {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

int bitLength(std::uint64_t value)
{
    int length = 0;
    for (const int step : {32, 16, 8, 4, 2, 1}) {
        if (value >> step) {
            value >>= step;
            length += step;
        }
    }
    return length + int(value);
}

int bitLength(Wide value)
{
    return value.high != 0 ? 64 + bitLength(value.high) : bitLength(value.low);
}

Wide shiftedLeft(std::uint64_t value, int shift) // shift in 0..127
{
    if (shift == 0)
        return {0, value};
    if (shift >= 64)
        return {value << (shift - 64), 0};
    return {value >> (64 - shift), value << shift};
}

// value / divisor and the remainder, by long division over 32-bit digits.
Wide divided(Wide value, std::uint32_t divisor, std::uint32_t &remainder)
{
    const std::uint64_t digits[4] = {value.high >> 32, value.high & 0xFFFFFFFFu, value.low >> 32,
                                     value.low & 0xFFFFFFFFu};
    std::uint64_t quotient[4] = {};
    std::uint64_t rest = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint64_t current = (rest << 32) | digits[i];
        quotient[i] = current / divisor;
        rest = current % divisor;
    }
    remainder = std::uint32_t(rest);
    return {(quotient[0] << 32) | quotient[1], (quotient[2] << 32) | quotient[3]};
}

Wide multiplied(std::uint64_t a, std::uint32_t b)
{
    const std::uint64_t lowPart = (a & 0xFFFFFFFFu) * b;
    const std::uint64_t highPart = (a >> 32) * b;
    const std::uint64_t low = lowPart + (highPart << 32);
    return {(highPart >> 32) + (low < lowPart ? 1u : 0u), low};
}

// The bits of `value` from bit `shift` up (shift in 1..127), and how the dropped bits compare with a half.
struct Shifted {
    std::uint64_t kept = 0; // assumes the result fits 64 bits
    bool half = false;      // the highest dropped bit
    bool sticky = false;    // any dropped bit below it
};

Shifted shiftedRight(Wide value, int shift)
{
    Shifted result;
    const auto bit = [&](int index) {
        return index >= 64 ? ((value.high >> (index - 64)) & 1u) != 0 : ((value.low >> index) & 1u) != 0;
    };
    result.half = bit(shift - 1);
    for (int index = 0; index < shift - 1 && !result.sticky; ++index)
        result.sticky = bit(index);
    if (shift >= 64)
        result.kept = shift >= 128 ? 0 : value.high >> (shift - 64);
    else
        result.kept = (value.low >> shift) | (value.high << (64 - shift));
    return result;
}

bool roundsUp(const Shifted &shifted)
{
    return shifted.half && (shifted.sticky || (shifted.kept & 1u) != 0);
}

} // namespace

std::int32_t scaleDelayLikeExtended(std::int32_t delay, int percent)
{
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (delay == 0 || percent == 0)
        return 0;
    const bool negative = (delay < 0) != (percent < 0);
    const std::uint32_t delayMagnitude = delay < 0 ? 0u - std::uint32_t(delay) : std::uint32_t(delay);
    const std::uint64_t percentMagnitude =
        percent < 0 ? 0u - std::uint64_t(std::int64_t(percent)) : std::uint64_t(percent);

    // The quotient |percent| / 100 as significand x 2^-scale, the significand filling 64 bits exactly.
    int scale = 70 - bitLength(percentMagnitude);
    std::uint32_t remainder = 0;
    Wide quotient = divided(shiftedLeft(percentMagnitude, scale), 100, remainder);
    while (bitLength(quotient) < 64)
        quotient = divided(shiftedLeft(percentMagnitude, ++scale), 100, remainder);
    while (bitLength(quotient) > 64)
        quotient = divided(shiftedLeft(percentMagnitude, --scale), 100, remainder);
    std::uint64_t significand = quotient.low;
    if (2 * remainder > 100 || (2 * remainder == 100 && (significand & 1u) != 0)) {
        if (++significand == 0) {
            significand = std::uint64_t(1) << 63;
            --scale;
        }
    }

    // The product, exact in 96 bits, rounded to a 64-bit significand: productSignificand x 2^-scale.
    const Wide product = multiplied(significand, delayMagnitude);
    std::uint64_t productSignificand = product.low;
    const int length = bitLength(product);
    if (length > 64) {
        const Shifted rounded = shiftedRight(product, length - 64);
        productSignificand = rounded.kept;
        scale -= length - 64;
        if (roundsUp(rounded) && ++productSignificand == 0) {
            productSignificand = std::uint64_t(1) << 63;
            --scale;
        }
    }

    // To a whole number, half to even; anything of 2^31 or more is clamped.
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    if (scale <= 0) {
        tooLarge = bitLength(productSignificand) - scale > 31;
        if (!tooLarge)
            magnitude = productSignificand << -scale;
    } else if (scale <= 64) {
        const Shifted rounded = shiftedRight({0, productSignificand}, scale);
        magnitude = rounded.kept + (roundsUp(rounded) ? 1u : 0u);
    }
    if (negative)
        return tooLarge || magnitude >= std::uint64_t(1) << 31 ? lowest : std::int32_t(0 - std::int64_t(magnitude));
    return tooLarge || magnitude >= std::uint64_t(highest) ? highest : std::int32_t(magnitude);
}
