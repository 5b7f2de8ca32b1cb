#include "platform/serial_queue.h"

#include <pthread.h>

#include <future>

namespace corvalin {

SerialQueue::SerialQueue(std::string name) : name_(std::move(name)) {
  worker_ = std::thread([this] { run(); });
  // Thread names are limited to 15 characters; the tail is the telling part.
  std::string shortName = name_.size() > 15 ? name_.substr(name_.size() - 15) : name_;
  pthread_setname_np(worker_.native_handle(), shortName.c_str());
}

SerialQueue::~SerialQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

void SerialQueue::async(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void SerialQueue::asyncAfter(std::chrono::milliseconds delay, std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    timed_.emplace(std::chrono::steady_clock::now() + delay, std::move(job));
  }
  wake_.notify_one();
}

void SerialQueue::sync(const std::function<void()>& job) {
  std::promise<void> done;
  async([&] {
    job();
    done.set_value();
  });
  done.get_future().wait();
}

bool SerialQueue::isCurrent() const {
  return std::this_thread::get_id() == worker_.get_id();
}

void SerialQueue::run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        // Delayed jobs that are due join the queue in the order they fall due.
        const auto now = std::chrono::steady_clock::now();
        while (!timed_.empty() && timed_.begin()->first <= now) {
          jobs_.push_back(std::move(timed_.begin()->second));
          timed_.erase(timed_.begin());
        }
        if (!jobs_.empty() || stopping_) break;
        if (timed_.empty())
          wake_.wait(lock);
        else
          wake_.wait_until(lock, timed_.begin()->first);
      }
      if (jobs_.empty()) return;  // stopping, and nothing left to run
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

}  // namespace corvalin
