// Scratch store: the direct-access count files of channels 20 to 27, kept in memory.
//
// Each channel is a sequence of numbered 32-bit records starting at record 1 (channel 23 holds
// pairs of 32-bit values). A record that was never written, or lies beyond the channel's
// extent, reads as 0. The extents are mirrored in the run state's `mind20`..`mind27` by the
// routines that write (see runstate.h: swrite / sread), so the store itself only keeps values.
// A channel is open between open() and close(); close() drops its records (the files are
// scratch files: deleted when closed).
//
// A store may read some channels from another store (share()): threads that analyse locus
// combinations side by side each keep a store of their own, which reads the counts of the run's
// store and writes only its own work channel. The other store must outlive the sharing one and
// must not be written meanwhile.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tolm::io {

class Scratch {
 public:
  static constexpr int kFirst = 20, kLast = 27;

  Scratch() {
    for (int i = 0; i < 8; ++i) view_[i] = &data_[i];
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  // Reads of channel `ch` (and of channel 23's pairs) go to `from`, which holds it open; writes
  // still go to this store's own records.
  void share(int ch, const Scratch& from);

  int open(int ch);   // 0, or an errno-like code for a channel outside 20..27
  int close(int ch);  // 0; closing a channel that was never opened is no failure
  bool is_open(int ch) const { return valid(ch) && open_[ch - kFirst]; }

  int32_t get(int ch, long rec) const {
    const Paged& v = *view_[ch - kFirst];
    const auto k = static_cast<std::size_t>(rec);
    if (rec < 1 || k >= v.size) return 0;
    const uint32_t page = v.pages[k >> kPageBits];
    return page ? v.at(page)[k & kPageMask] : 0;
  }
  void put(int ch, long rec, int32_t x) {
    Paged& v = data_[ch - kFirst];
    const auto k = static_cast<std::size_t>(rec);
    if (k >= v.size) v.resize(grow(v.size, k + 1));
    uint32_t& page = v.pages[k >> kPageBits];
    if (!page) {
      if (x == 0) return;  // a page never written reads as zeros
      page = v.new_page();
    }
    v.at(page)[k & kPageMask] = x;
  }
  // The record itself, made when it did not exist yet (for adding to counts).
  int32_t& ref(int ch, long rec) {
    Paged& v = data_[ch - kFirst];
    const auto k = static_cast<std::size_t>(rec);
    if (k >= v.size) v.resize(grow(v.size, k + 1));
    uint32_t& page = v.pages[k >> kPageBits];
    if (!page) page = v.new_page();
    return v.at(page)[k & kPageMask];
  }
  // Records first..last of channel `ch` read 0 afterwards, as after put(ch, rec, 0) on each,
  // in one pass over the pages that were written.
  void zero(int ch, long first, long last) {
    Paged& v = data_[ch - kFirst];
    if (first < 1) first = 1;
    if (last < first || v.size == 0) return;
    const auto lo = static_cast<std::size_t>(first);
    const std::size_t hi = std::min(static_cast<std::size_t>(last), v.size - 1);
    for (std::size_t k = lo; k <= hi;) {
      const std::size_t end = std::min(hi, k | kPageMask);  // the last record of k's page
      if (const uint32_t page = v.pages[k >> kPageBits])
        std::fill(v.at(page) + (k & kPageMask), v.at(page) + (end & kPageMask) + 1, 0);
      k = end + 1;
    }
  }
  // The records of channel `ch` from `last` down to 1 that hold a value other than zero:
  // f(record, value), the highest record first. Pages never written are passed over, so a
  // table of mostly empty cells is read in the time of its filled ones.
  template <class F>
  void each_nonzero_down(int ch, long last, F&& f) const {
    const Paged& v = *view_[ch - kFirst];
    if (last < 1 || v.size == 0) return;
    const std::size_t hi = std::min(static_cast<std::size_t>(last), v.size - 1);
    for (std::size_t pg = (hi >> kPageBits) + 1; pg-- > 0;) {
      const uint32_t page = v.pages[pg];
      if (!page) continue;
      const int32_t* d = v.at(page);
      int32_t any = 0;  // pages written once and cleared since read as empty at a glance
      for (std::size_t j = 0; j <= kPageMask; ++j) any |= d[j];
      if (any == 0) continue;
      const std::size_t lo = std::max(pg << kPageBits, std::size_t{1});
      for (std::size_t k = std::min(hi, (pg << kPageBits) + kPageMask) + 1; k-- > lo;)
        if (d[k & kPageMask] != 0) f(static_cast<long>(k), d[k & kPageMask]);
    }
  }
  // Channel 23: a pair per record.
  void get2(long rec, int32_t& a, int32_t& b) const {
    std::size_t k = static_cast<std::size_t>(rec);
    const std::vector<int32_t>& p = *pairs_view_;
    if (rec >= 1 && 2 * k + 1 < p.size()) {
      a = p[2 * k];
      b = p[2 * k + 1];
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
  // A channel's records in pages of 2^kPageBits, a page made when a value other than zero is
  // first written into it: the count channels of many types and demes, mostly zeros, hold
  // little more than their nonzero records. Pages are cut from blocks of 2^kBlockBits pages
  // and named by their number from 1 (0: no page, all zeros).
  static constexpr int kPageBits = 4, kBlockBits = 12;
  static constexpr std::size_t kPageMask = (std::size_t{1} << kPageBits) - 1;
  struct Paged {
    std::size_t size = 0;         // records 0..size-1 exist (read 0 unless written)
    std::vector<uint32_t> pages;  // page number of every 2^kPageBits records
    std::vector<std::unique_ptr<int32_t[]>> blocks;
    uint32_t made = 0;  // pages handed out
    void resize(std::size_t n) {
      size = n;
      pages.resize((n + kPageMask) >> kPageBits, 0);
    }
    int32_t* at(uint32_t page) const {
      const uint32_t i = page - 1;
      return blocks[i >> kBlockBits].get() +
             (static_cast<std::size_t>(i & ((1u << kBlockBits) - 1)) << kPageBits);
    }
    uint32_t new_page();
  };
  bool open_[8]{};
  Paged data_[8];
  const Paged* view_[8];        // where each channel is read: data_, or another store's
  std::vector<int32_t> pairs_;  // channel 23
  const std::vector<int32_t>* pairs_view_ = &pairs_;
};

}  // namespace tolm::io
