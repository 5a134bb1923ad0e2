#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace numbertext {

int formatDouble(double value, char *buffer)
{
    char *out = buffer;
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return 3;
    }
    if (value < 0.0) // -0.0 is written as 0, like Qt does
        *out++ = '-';
    if (std::isinf(value)) {
        std::memcpy(out, "inf", 3);
        return int(out - buffer) + 3;
    }
    if (value == 0.0) {
        *out++ = '0';
        return int(out - buffer);
    }

    // Shortest round-trip digits: "d.ddde-XX" or "de+XX".
    char scientific[maxLength];
    const std::to_chars_result result = std::to_chars(
        scientific, scientific + maxLength, std::fabs(value), std::chars_format::scientific);
    char digits[20];
    int count = 0;
    const char *p = scientific;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p != '.')
            digits[count++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent);
    const int point = exponent + 1; // digits before the decimal point

    if (point <= -4 || point > count + 5) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            std::memcpy(out, digits + 1, count - 1);
            out += count - 1;
        }
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            *out++ = '0';
        out = std::to_chars(out, out + 4, magnitude).ptr;
    } else if (point <= 0) {
        *out++ = '0';
        *out++ = '.';
        std::memset(out, '0', -point);
        out += -point;
        std::memcpy(out, digits, count);
        out += count;
    } else if (point < count) {
        std::memcpy(out, digits, point);
        out += point;
        *out++ = '.';
        std::memcpy(out, digits + point, count - point);
        out += count - point;
    } else {
        std::memcpy(out, digits, count);
        out += count;
        std::memset(out, '0', point - count);
        out += point - count;
    }
    return int(out - buffer);
}

} // namespace numbertext
