#pragma once

// The whole demo: start-up, the frame loop until Escape, a close request or the end of the
// timeline, and shut-down. Returns the exit code, 0 on every path.
int runDemo();
