#pragma once

#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
};

// While alive, message boxes are recorded here instead of shown.
struct MessageRecorder {
    MessageRecorder();
    ~MessageRecorder();
    const std::vector<RecordedBox>& boxes() const;
};
