// Fixture for tests that read the log: the headless clock, a fresh media
// core state and a temporary folder made current and stored as the log
// folder, as start-up does. The previous current folder comes back after.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "support/temp_folder.hpp"

namespace media_test {

class log_folder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
        media::core::reset_state();
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        ASSERT_EQ(media::core::store_log_folder(), 0);
    }

    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        media::core::reset_state();
        platform::headless::reset();
    }

    // The bytes of a file in the log folder; "<missing>" when there is none.
    std::string read(const std::string& name = "Log.txt") const
    {
        std::ifstream in(dir_.at(name), std::ios::binary);
        if (!in)
            return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool exists(const std::string& name) const { return std::filesystem::exists(dir_.at(name)); }

    support::temp_folder dir_;

private:
    std::filesystem::path previous_;
};

}  // namespace media_test
