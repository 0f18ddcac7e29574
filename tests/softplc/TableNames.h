#pragma once
// Names of table rows in test output, from their description.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace velmora::softplc {

template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    std::string name;
    for (const char c : std::string(info.param.what))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name + "_" + std::to_string(info.index);
}

}  // namespace velmora::softplc
