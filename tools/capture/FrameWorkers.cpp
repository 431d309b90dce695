#include "FrameWorkers.h"

FrameWorkers::FrameWorkers(int workers, int buffers, size_t bufferBytes, Handler handler)
    : handler(std::move(handler)), storage(static_cast<size_t>(buffers)) {
    for (std::vector<uint8_t>& buffer : storage) {
        buffer.resize(bufferBytes);
        free.push_back(&buffer);
    }
    for (int i = 0; i < workers; ++i) threads.emplace_back([this] { work(); });
}

FrameWorkers::~FrameWorkers() {
    std::string ignored;
    finish(ignored);
}

std::vector<uint8_t>* FrameWorkers::acquire() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !free.empty() || !failure.empty(); });
    if (!failure.empty()) return nullptr;
    std::vector<uint8_t>* buffer = free.back();
    free.pop_back();
    return buffer;
}

void FrameWorkers::submit(int64_t frame, std::vector<uint8_t>* buffer) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back({frame, buffer});
    }
    changed.notify_all();
}

bool FrameWorkers::finish(std::string& error) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) thread.join();
    threads.clear();
    error = failure;
    return failure.empty();
}

void FrameWorkers::work() {
    for (;;) {
        Job job{};
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return !queue.empty() || closing || !failure.empty(); });
            if (!failure.empty() || queue.empty()) return;
            job = queue.front();
            queue.erase(queue.begin());
        }
        std::string error;
        const bool ok = handler(job.frame, *job.buffer, error);
        {
            std::lock_guard<std::mutex> lock(mutex);
            free.push_back(job.buffer);
            if (!ok && failure.empty()) failure = error.empty() ? "a frame failed" : error;
        }
        changed.notify_all();
    }
}
