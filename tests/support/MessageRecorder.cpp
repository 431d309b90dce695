#include "MessageRecorder.h"

#include "platform/MessageBox.h"

namespace {

std::vector<RecordedBox> recorded;

void record(const char* text, const char* caption) {
    recorded.push_back({text, caption});
}

} // namespace

MessageRecorder::MessageRecorder() {
    recorded.clear();
    setMessageBoxHandler(record);
}

MessageRecorder::~MessageRecorder() {
    setMessageBoxHandler(nullptr);
}

const std::vector<RecordedBox>& MessageRecorder::boxes() const {
    return recorded;
}
