#pragma once

#include "CaptureOptions.h"

// Renders what the options ask for; returns the exit status (0, or 1 after a one-line error).
int runCapture(const CaptureOptions& options);
