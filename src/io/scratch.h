// Scratch store: the direct-access count files of channels 20 to 27, kept in memory.
//
// Each channel is a sequence of numbered 32-bit records starting at record 1 (channel 23 holds
// pairs of 32-bit values). A record that was never written, or lies beyond the channel's
// extent, reads as 0. The extents are mirrored in the run state's `mind20`..`mind27` by the
// routines that write (see runstate.h: swrite / sread), so the store itself only keeps values.
// A channel is open between open() and close(); close() drops its records (the files are
// scratch files: deleted when closed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolm::io {

class Scratch {
 public:
  static constexpr int kFirst = 20, kLast = 27;

  int open(int ch);   // 0, or an errno-like code for a channel outside 20..27
  int close(int ch);  // 0; closing a channel that was never opened is no failure
  bool is_open(int ch) const { return valid(ch) && open_[ch - kFirst]; }

  int32_t get(int ch, long rec) const {
    const auto& v = data_[ch - kFirst];
    std::size_t k = static_cast<std::size_t>(rec);
    return rec >= 1 && k < v.size() ? v[k] : 0;
  }
  void put(int ch, long rec, int32_t x) {
    auto& v = data_[ch - kFirst];
    std::size_t k = static_cast<std::size_t>(rec);
    if (k >= v.size()) v.resize(grow(v.size(), k + 1), 0);
    v[k] = x;
  }
  // The record itself, made when it did not exist yet (for adding to counts).
  int32_t& ref(int ch, long rec) {
    auto& v = data_[ch - kFirst];
    std::size_t k = static_cast<std::size_t>(rec);
    if (k >= v.size()) v.resize(grow(v.size(), k + 1), 0);
    return v[k];
  }
  // Channel 23: a pair per record.
  void get2(long rec, int32_t& a, int32_t& b) const {
    std::size_t k = static_cast<std::size_t>(rec);
    if (rec >= 1 && 2 * k + 1 < pairs_.size()) {
      a = pairs_[2 * k];
      b = pairs_[2 * k + 1];
    } else {
      a = b = 0;
    }
  }
  void put2(long rec, int32_t a, int32_t b) {
    std::size_t k = static_cast<std::size_t>(rec);
    if (2 * k + 1 >= pairs_.size()) pairs_.resize(grow(pairs_.size(), 2 * k + 2), 0);
    pairs_[2 * k] = a;
    pairs_[2 * k + 1] = b;
  }
  void clear(int ch);

 private:
  static bool valid(int ch) { return ch >= kFirst && ch <= kLast; }
  static std::size_t grow(std::size_t have, std::size_t need) {
    std::size_t n = have < 1024 ? 1024 : have;
    while (n < need) n *= 2;
    return n;
  }
  bool open_[8]{};
  std::vector<int32_t> data_[8];
  std::vector<int32_t> pairs_;  // channel 23
};

}  // namespace tolm::io
