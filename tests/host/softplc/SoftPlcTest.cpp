// The soft PLC's request function and the loop's status word.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "softplc/SoftPlc.h"
#include "softplc/SoftPlcCommLoop.h"

namespace velmora::softplc {
namespace {

std::vector<std::uint8_t> B(std::initializer_list<int> v) {
    return {v.begin(), v.end()};
}

struct Call {
    std::int32_t result;
    std::int32_t length;
    std::vector<std::uint8_t> response;
};

// One request through the function pointer; the response buffer starts 0xEE, eight bytes beyond capacity.
Call Send(std::int32_t command, const std::vector<std::uint8_t>& request, std::int32_t capacity) {
    Call c{0, capacity, std::vector<std::uint8_t>(static_cast<std::size_t>(std::max(capacity, 1)) + 8, 0xEE)};
    c.result = SoftPlc::requestFunction()(command, static_cast<std::int32_t>(request.size()), request.data(),
                                          &c.length, c.response.data(), 5000, 0x40);
    return c;
}

class SoftPlcRequests : public ::testing::Test {
protected:
    void SetUp() override { plc.makeCurrent(); }
    SoftPlc plc;
};

// A read answers the items' bytes in request order; a write stores every item and answers one status byte.
TEST_F(SoftPlcRequests, ReadConcatenatesTheItemsAndWriteStoresThem) {
    plc.area(3)[0x0102] = 0xAA, plc.area(3)[0x0103] = 0xBB, plc.area(0)[7] = 0x11;
    auto call = Send(0x0B, B({3, 0x02, 0x01, 2, 0, 7, 0, 1}), 3);
    EXPECT_EQ(std::tie(call.result, call.length), std::make_tuple(0, 3));
    EXPECT_EQ(std::vector<std::uint8_t>(call.response.begin(), call.response.begin() + 4),
              B({0xAA, 0xBB, 0x11, 0xEE}));
    call = Send(0x0C, B({3, 10, 0, 2, 0x34, 0x12, 1, 0, 1, 1, 0x5A}), 4);
    EXPECT_EQ(std::tie(call.result, call.length, call.response[0]), std::make_tuple(0, 1, 0));
    EXPECT_EQ(std::tie(plc.area(3)[10], plc.area(3)[11], plc.area(1)[256]),
              std::make_tuple(0x34, 0x12, 0x5A));
    ASSERT_EQ(plc.history().size(), 2u);
    ASSERT_EQ(plc.history()[1].items.size(), 2u);
    EXPECT_EQ(plc.history()[1].items[0].data, B({0x34, 0x12}));
}

TEST_F(SoftPlcRequests, MalformedRequestsAndArgumentsFailAndChangeNothing) {
    struct Case {
        const char* what;
        std::int32_t command;
        std::vector<std::uint8_t> request;
        std::int32_t capacity;
        std::int32_t error;
    };
    const Case cases[] = {
        {"unknown command", 0x0D, B({3, 0, 0, 1}), 4, errors::kUnknownCommand},
        {"empty request", 0x0B, {}, 4, errors::kBadLength},
        {"header cut short", 0x0B, B({3, 0, 0, 1, 3, 0}), 4, errors::kBadLength},
        {"write data cut short", 0x0C, B({3, 0, 0, 1, 9, 3, 4, 0, 2, 1}), 4, errors::kBadLength},
        {"unknown area", 0x0B, B({5, 0, 0, 1}), 4, errors::kBadArea},
        {"zero count", 0x0B, B({3, 0, 0, 0}), 4, errors::kOutOfRange},
        {"past the area end", 0x0B, B({3, 0xFF, 0xFF, 2}), 4, errors::kOutOfRange},
        {"response too small", 0x0B, B({3, 0, 0, 8}), 7, errors::kResponseTooSmall},
    };
    for (const Case& c : cases) {
        const auto call = Send(c.command, c.request, c.capacity);
        EXPECT_EQ(std::tie(call.result, call.length, call.response[0]), std::make_tuple(c.error, 0, 0xEE))
            << c.what << ": nothing written into the response";
    }
    EXPECT_EQ(plc.area(3)[0], 0) << "the valid first item of a failed write is not stored";
    EXPECT_FALSE(plc.describe(errors::kBadArea).empty());
    // Null or negative arguments.
    std::uint8_t response[4];
    const std::uint8_t request[4] = {3, 0, 0, 1};
    std::int32_t four = 4, negative = -1;
    const auto f = SoftPlc::requestFunction();
    EXPECT_EQ(f(0x0B, 4, request, nullptr, response, 5000, 0x40), errors::kBadArgument);
    EXPECT_EQ(f(0x0B, 4, nullptr, &four, response, 5000, 0x40), errors::kBadArgument);
    EXPECT_EQ(f(0x0B, 4, request, &negative, response, 5000, 0x40), errors::kBadArgument);
}

TEST_F(SoftPlcRequests, TheRequestFunctionServesTheCurrentConnectedPlcOnly) {
    SoftPlc other;
    other.area(3)[0] = 2;
    plc.area(3)[0] = 1;
    EXPECT_EQ(Send(0x0B, B({3, 0, 0, 1}), 1).response[0], 1);
    other.makeCurrent();
    EXPECT_EQ(Send(0x0B, B({3, 0, 0, 1}), 1).response[0], 2);
    {
        SoftPlc gone;
        gone.makeCurrent();
    }
    EXPECT_EQ(Send(0x0B, B({3, 0, 0, 1}), 1).result, errors::kNotConnected);
    // Nor a disconnected one.
    plc.makeCurrent(), plc.setConnected(false);
    EXPECT_EQ(plc.plcState(), 2);
    EXPECT_EQ(Send(0x0B, B({3, 0, 0, 1}), 1).result, errors::kNotConnected);
    plc.setConnected(true), plc.setMode(PlcMode::Halt);
    EXPECT_EQ(plc.plcState(), 0);
}

struct CallbackRecord {
    static inline std::vector<std::pair<bool, std::uint32_t>> calls;
    static void Callback(PlcRequestFunction request, std::intptr_t, std::intptr_t, std::uint32_t status) {
        calls.emplace_back(request != nullptr, status);
    }
};

TEST(SoftPlcCommLoop, StatusWordFollowsTheModeAndTheConnection) {
    SoftPlc plc;
    SoftPlcCommLoop loop(plc);
    CallbackRecord::calls.clear();
    loop.registerCallback(&CallbackRecord::Callback);
    std::vector<std::pair<bool, std::uint16_t>> notifications;
    loop.hardOff = [&](std::uint16_t a) { notifications.emplace_back(true, a); };
    loop.softOff = [&](std::uint16_t a) { notifications.emplace_back(false, a); };
    // One pass per line: the situation, then the pass.
    loop.pass();
    plc.setMode(PlcMode::Halt), loop.setFixed(true), loop.pass();
    plc.setMode(PlcMode::Error), loop.pass();
    loop.loseConnection(true), loop.pass();
    loop.regainConnection(), plc.setMode(PlcMode::Run), loop.setDataValid(false), loop.pass();
    loop.loseConnection(false), loop.unregisterCallback(), loop.pass();
    using C = std::pair<bool, std::uint32_t>;
    const std::uint32_t connected = 3u << 16;
    EXPECT_EQ(CallbackRecord::calls, (std::vector<C>{{true, connected | 0x80 | (1u << 19)},
                                                     {true, connected | (1u << 11)},
                                                     {true, connected | (1u << 11) | 1u},
                                                     {false, 0u},
                                                     {true, connected | (1u << 11) | 0x80}}));
    EXPECT_EQ(notifications, (std::vector<std::pair<bool, std::uint16_t>>{{true, 0}, {false, 0}}));
    EXPECT_EQ(plc.plcState(), 2);
}

}  // namespace
}  // namespace velmora::softplc
