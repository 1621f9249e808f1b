#include "pool.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace zr::zrread {
namespace {

constexpr std::chrono::milliseconds kIdleTick{100};

struct Job {
    std::size_t sequence = 0;
    Input input;
};

struct Finished {
    Input input;
    PictureResult result;
};

// The jobs waiting for a thread and the results waiting for the caller, under one lock.
class Exchange {
  public:
    void Post(Job job) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        jobReady_.notify_one();
    }

    // False when the pool closes and no job is left.
    bool Take(Job &job) {
        std::unique_lock<std::mutex> lock(mutex_);
        jobReady_.wait(lock, [this] { return !jobs_.empty() || closed_; });
        if (jobs_.empty()) return false;
        job = std::move(jobs_.front());
        jobs_.pop_front();
        return true;
    }

    void Finish(std::size_t sequence, Finished finished) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            done_.emplace(sequence, std::move(finished));
        }
        resultReady_.notify_one();
    }

    // Moves into `out` the results that may be delivered now: the next in order from `next`
    // on, or every one when unordered. Waits up to one tick for any.
    void Collect(std::size_t next, bool unordered, std::vector<Finished> &out) {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto deliverable = [&] { return unordered ? !done_.empty() : done_.count(next) != 0; };
        resultReady_.wait_for(lock, kIdleTick, deliverable);
        while (!done_.empty() && (unordered || done_.begin()->first == next)) {
            out.push_back(std::move(done_.begin()->second));
            done_.erase(done_.begin());
            ++next;
        }
    }

    void Close() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        jobReady_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable resultReady_;
    std::deque<Job> jobs_;
    std::map<std::size_t, Finished> done_;
    bool closed_ = false;
};

// Joins the threads however the caller's loop is left.
class Workers {
  public:
    explicit Workers(Exchange &exchange) : exchange_(exchange) {}
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;
    ~Workers() {
        exchange_.Close();
        for (std::thread &thread : threads_) thread.join();
    }
    template <typename Body>
    void Start(unsigned count, Body body) {
        for (unsigned i = 0; i < count; ++i) threads_.emplace_back(body);
    }

  private:
    Exchange &exchange_;
    std::vector<std::thread> threads_;
};

}  // namespace

void RunPool(InputList &inputs, const PoolSettings &settings,
             const std::function<PictureResult(const Input &)> &read,
             const std::function<void(const Input &, PictureResult &&)> &deliver, const std::function<void()> &idle) {
    Exchange exchange;
    const auto work = [&exchange, &read] {
        Job job;
        while (exchange.Take(job)) {
            PictureResult result = read(job.input);
            exchange.Finish(job.sequence, Finished{std::move(job.input), std::move(result)});
        }
    };
    Workers workers(exchange);
    const unsigned threads = settings.threads == 0 ? 1 : settings.threads;
    workers.Start(threads, work);

    const std::size_t window = static_cast<std::size_t>(threads) * kPicturesPerThread;
    std::size_t posted = 0;
    std::size_t delivered = 0;
    std::vector<Finished> ready;
    while (true) {
        Input input;
        while (posted - delivered < window && inputs.Next(input)) exchange.Post(Job{posted++, std::move(input)});
        if (inputs.Exhausted() && delivered == posted) break;
        ready.clear();
        exchange.Collect(delivered, settings.unordered, ready);
        for (Finished &finished : ready) {
            deliver(finished.input, std::move(finished.result));
            ++delivered;
        }
        idle();
    }
}

}  // namespace zr::zrread
