#include "program/result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum class Why { refused };

TEST(Result, CarriesTheValueOrTheFailure)
{
    const program::Result<std::string, Why> done = std::string("fait");
    ASSERT_TRUE(done.succeeded());
    EXPECT_EQ(done.value(), "fait");

    const program::Result<std::string, Why> refused = Why::refused;
    ASSERT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.error(), Why::refused);
}

TEST(Result, WithNothingToHandOnIsSuccessUntilGivenAFailure)
{
    EXPECT_TRUE((program::Result<void, Why>{}.succeeded()));
    const program::Result<void, Why> refused = Why::refused;
    ASSERT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.error(), Why::refused);
}

} // namespace
