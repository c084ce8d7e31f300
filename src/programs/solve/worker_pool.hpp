// Helper threads that share the parts of a job with the thread that hands it out. The caller
// waits only for the parts a helper has already taken, never for a helper to wake up, so a
// busy machine that keeps a helper off its core costs that helper's share and nothing more.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kueruma::solver {

class WorkerPool {
  public:
    // `threads` counts the caller: 1 runs every job on the calling thread alone.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    using Work = std::function<void(std::size_t begin, std::size_t end)>;
    // Calls work(begin, end) on parts that together make [0, n) exactly once, and returns when
    // all are done. Which thread runs which part is left to chance.
    void run(std::size_t n, const Work& work);

  private:
    struct Job;
    void helperLoop();
    static void drain(Job& job);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Job* job_ = nullptr;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> helpers_;
};

} // namespace kueruma::solver
