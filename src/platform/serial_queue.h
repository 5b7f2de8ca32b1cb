// A named serial queue: one worker thread that runs submitted jobs in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace corvalin {

class SerialQueue {
 public:
  explicit SerialQueue(std::string name);
  // Runs the jobs already queued (not the delayed ones still waiting), then stops the thread.
  ~SerialQueue();

  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  const std::string& name() const { return name_; }

  // Queues `job`; returns at once. Jobs run one at a time in submission order.
  void async(std::function<void()> job);

  // Queues `job` to run once `delay` has passed, after the jobs due before it.
  void asyncAfter(std::chrono::milliseconds delay, std::function<void()> job);

  // Queues `job` and waits until it has run. Never call it from the queue itself.
  void sync(const std::function<void()>& job);

  // True when called from this queue's worker thread.
  bool isCurrent() const;

 private:
  void run();

  std::string name_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> timed_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace corvalin
