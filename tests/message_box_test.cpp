#include "platform/MessageBox.h"

#include <cstdlib>
#include <gtest/gtest.h>

// Without any display SDL cannot show a box: the call must still write its line and come back, as
// if the box had been dismissed, instead of blocking or staying silent.
TEST(MessageBox, ABoxThatCannotBeShownStillWritesItsLineAndReturns) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    showMessageBox("Read params error!", "Error");
    showMessageBox("Music opening error");
    showMessageBox("Error opening .obj file", "App");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Read params error!\nError: Music opening error\n"
              "App: Error opening .obj file\n");
}
