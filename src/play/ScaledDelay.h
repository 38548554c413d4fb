#pragma once

#include <cstdint>

// delay x (percent / 100) as the x87's 80-bit extended format computes it: the quotient rounded to a
// 64-bit significand, the product rounded again, then rounded half to even to a whole number and clamped
// to 32 bits. Worked out in integers, so that every compiler gives the same results, also one whose
// long double has fewer bits.
std::int32_t scaleDelayLikeExtended(std::int32_t delay, int percent);
