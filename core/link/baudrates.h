#pragma once
#include <array>
#include <cstddef>

// The line speeds the recorder knows, in the order of its baud codes: code n is Rates[n − 1]. The port
// list offers the same speeds.
namespace baud {

constexpr std::array<int, 5> Rates{4800, 9600, 14400, 19200, 38400};
constexpr int LowestCode = 1;
constexpr int HighestCode = int(Rates.size());

// The rate of a code; 0 for a code outside 1 … 5.
constexpr int ofCode(int code)
{
    return code >= LowestCode && code <= HighestCode ? Rates[std::size_t(code - 1)] : 0;
}

// The code of a rate; 0 for a rate without one.
constexpr int codeOf(int rate)
{
    for (int code = LowestCode; code <= HighestCode; ++code)
        if (ofCode(code) == rate)
            return code;
    return 0;
}

} // namespace baud
