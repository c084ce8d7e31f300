#include "worker_pool.hpp"

#include <algorithm>
#include <atomic>

namespace kueruma::solver {

struct WorkerPool::Job {
    const Work* work;
    std::size_t n;
    std::atomic<std::size_t> next{0};
    int helpersInside = 0; // guarded by the pool's mutex
};

WorkerPool::WorkerPool(int threads) {
    for (int i = 1; i < threads; ++i) helpers_.emplace_back([this] { helperLoop(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& h : helpers_) h.join();
}

void WorkerPool::drain(Job& job) {
    constexpr std::size_t part = 8;
    for (std::size_t begin = job.next.fetch_add(part); begin < job.n;
         begin = job.next.fetch_add(part)) {
        (*job.work)(begin, std::min(job.n, begin + part));
    }
}

void WorkerPool::run(std::size_t n, const Work& work) {
    Job job{&work, n};
    if (!helpers_.empty()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = &job;
            ++generation_;
        }
        wake_.notify_all();
    }
    drain(job);
    if (helpers_.empty()) return;
    // Every part is taken; those a helper took are done once it has left the job.
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = nullptr;
    done_.wait(lock, [&job] { return job.helpersInside == 0; });
}

void WorkerPool::helperLoop() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (job_ != nullptr && generation_ != seen); });
        if (stopping_) return;
        seen = generation_;
        Job& job = *job_;
        ++job.helpersInside;
        lock.unlock();
        drain(job);
        lock.lock();
        if (--job.helpersInside == 0) done_.notify_all();
    }
}

} // namespace kueruma::solver
