// Shared helpers of the tests that run the logic over the fake platform.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FakePlatform.h"

// Every test over the fake starts from a fresh one.
class FakePlatformTestBase : public ::testing::Test {
 protected:
  void SetUp() override { Fake::Reset(); }
};

// The texts the user reads, written out here independently of the code.
namespace FatalText {
inline const char* const PackageDamaged =
    "An error occurred while trying to read the setup package.  It has most likely been damaged.  Please obtain a new "
    "copy from the vendor.";
inline const char* const TempCopyFailed =
    "An error occurred while trying to create a temporary copy of the setup package.  Please make sure that you have "
    "sufficient access rights to this computer to install software and that the Windows TEMP folder can be written "
    "to.  You can make this installer use a different folder for its temporary files using the /temp command line "
    "parameter followed by the path to a folder you can write to and run applications from.";
inline const char* const LaunchFailed =
    "The temporary copy of the setup package could not be executed.  Your system may have a software restriction "
    "policy in place that blocks executables in the temporary files folder.  You can make this installer use a "
    "different folder for its temporary files using the /temp command line parameter followed by the path to a folder "
    "you can write to and run applications from.";
inline const char* const PackageTruncated =
    "The setup package has been truncated.  You most likely have an incomplete download.  Try downloading it again.";
}  // namespace FatalText

// The error icon with one OK button.
constexpr uint32_t ErrorBoxType = 0x10;

// Asserts that the run showed exactly one message box with this text, no
// owner, the launcher's own path as caption and the error type, and ended
// with exit code 0.
inline void ExpectOneFatalBox(int64_t exitCode, const std::string& text, const std::string& caption) {
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(Fake::ExitCodes(), std::vector<uint32_t>{0});
  std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, text);
  EXPECT_EQ(boxes[0].caption, caption);
  EXPECT_EQ(boxes[0].type, ErrorBoxType);
  EXPECT_EQ(boxes[0].owner, nullptr);
}
