#pragma once
// A number as the tuning messages and reports write it: fixed decimals, ".".
#include <cstdio>
#include <string>

namespace velmora::tuning {

inline std::string FixedText(double v, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

}  // namespace velmora::tuning
