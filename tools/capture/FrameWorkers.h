#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Takes frames from the rendering thread and hands them to worker threads, through a fixed set of
// buffers, so that drawing the next frames overlaps with encoding or writing the last ones. One
// worker handles the frames in the order they were submitted (a video); several handle them in
// any order (pictures named after their frames).
class FrameWorkers {
public:
    // Handles one frame; false with the reason stops the work.
    using Handler =
        std::function<bool(int64_t frame, const std::vector<uint8_t>& bytes, std::string& error)>;

    FrameWorkers(int workers, int buffers, size_t bufferBytes, Handler handler);
    ~FrameWorkers();
    FrameWorkers(const FrameWorkers&) = delete;
    FrameWorkers& operator=(const FrameWorkers&) = delete;

    // A buffer to fill, once one is free; nullptr after a worker has failed.
    std::vector<uint8_t>* acquire();
    void submit(int64_t frame, std::vector<uint8_t>* buffer);
    // Waits for every frame submitted and stops the workers. False with the first failure.
    bool finish(std::string& error);

private:
    struct Job {
        int64_t frame;
        std::vector<uint8_t>* buffer;
    };
    void work();

    Handler handler;
    std::vector<std::vector<uint8_t>> storage;
    std::vector<std::vector<uint8_t>*> free;
    std::vector<Job> queue; // oldest first
    std::mutex mutex;
    std::condition_variable changed;
    bool closing = false;
    std::string failure;
    std::vector<std::thread> threads;
};
