// <morvane/version.h> carries the version that the build declares.

#include <gtest/gtest.h>
#include <morvane/version.h>

#include <string>

namespace {

TEST(VersionTest, MacrosMatchTheDeclaredVersion) {
  EXPECT_EQ(std::to_string(MORVANE_VERSION_MAJOR) + "." + std::to_string(MORVANE_VERSION_MINOR) + "." +
                std::to_string(MORVANE_VERSION_PATCH),
            MORVANE_PROJECT_VERSION);
  EXPECT_EQ(MORVANE_VERSION, MORVANE_VERSION_MAJOR * 10000 + MORVANE_VERSION_MINOR * 100 + MORVANE_VERSION_PATCH);
  static_assert(MORVANE_VERSION >= 10100, "the first version with this header is 1.1.0");
}

}  // namespace
