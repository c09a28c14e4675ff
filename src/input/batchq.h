// A bounded hand-over of batches between one producing and one consuming thread.
//
// Reads and writes nothing of the run state. The queue owns a fixed pool of `T` objects: the
// producer takes an empty one (`take_empty`), fills it and hands it on (`put_full`); the
// consumer takes the full ones in the order they were handed on (`take_full`) and gives them
// back (`put_empty`). At most the pool size is ever in flight, so memory stays bounded however
// far the producer could run ahead. `close()` (producer: nothing more comes) and `cancel()`
// (consumer: nothing more is wanted) end the waits; after `cancel()` the producer gets nullptr.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace tolm {

template <class T>
class BatchQueue {
 public:
  explicit BatchQueue(int pool) : pool_(static_cast<size_t>(pool)) {
    for (auto& t : pool_) empty_.push_back(&t);
  }
  BatchQueue(const BatchQueue&) = delete;
  BatchQueue& operator=(const BatchQueue&) = delete;

  T* take_empty() {  // nullptr once cancelled
    std::unique_lock<std::mutex> lk(m_);
    cv_.wait(lk, [&] { return cancelled_ || !empty_.empty(); });
    if (cancelled_) return nullptr;
    T* t = empty_.front();
    empty_.pop_front();
    return t;
  }
  void put_full(T* t) {
    {
      std::lock_guard<std::mutex> lk(m_);
      full_.push_back(t);
    }
    cv_.notify_all();
  }
  T* take_full() {  // nullptr when closed and drained
    std::unique_lock<std::mutex> lk(m_);
    cv_.wait(lk, [&] { return closed_ || !full_.empty(); });
    if (full_.empty()) return nullptr;
    T* t = full_.front();
    full_.pop_front();
    return t;
  }
  void put_empty(T* t) {
    {
      std::lock_guard<std::mutex> lk(m_);
      empty_.push_back(t);
    }
    cv_.notify_all();
  }
  void close() {
    {
      std::lock_guard<std::mutex> lk(m_);
      closed_ = true;
    }
    cv_.notify_all();
  }
  void cancel() {
    {
      std::lock_guard<std::mutex> lk(m_);
      cancelled_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::vector<T> pool_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<T*> empty_, full_;
  bool closed_ = false, cancelled_ = false;
};

}  // namespace tolm
