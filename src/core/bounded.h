// Bounded arrays: one- and two-dimensional arrays whose index ranges are declared with a lower
// and an upper bound per dimension, as the program's tables are (most start at 1, some at 0 or
// 30). Indexing is checked in debug and sanitizer builds (TOLM_BOUNDS_CHECK) and aborts with the
// offending index; in release builds it is a plain offset computation.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace tolm {

[[noreturn]] inline void bounds_fail(const char* what, long i, long lo, long hi) {
  std::fprintf(stderr, "bounds: %s index %ld outside %ld..%ld\n", what, i, lo, hi);
  std::abort();
}

template <class T>
class Arr1 {
 public:
  Arr1() = default;
  Arr1(long lo, long hi, T init = T()) { resize(lo, hi, init); }
  void resize(long lo, long hi, T init = T()) {
    lo_ = lo;
    hi_ = hi < lo - 1 ? lo - 1 : hi;
    v_.assign(static_cast<size_t>(hi_ - lo_ + 1), init);
  }
  T& operator()(long i) {
    check(i);
    return v_[static_cast<size_t>(i - lo_)];
  }
  const T& operator()(long i) const {
    check(i);
    return v_[static_cast<size_t>(i - lo_)];
  }
  long lo() const { return lo_; }
  long hi() const { return hi_; }
  void fill(const T& x) { v_.assign(v_.size(), x); }

 private:
  void check([[maybe_unused]] long i) const {
#ifdef TOLM_BOUNDS_CHECK
    if (i < lo_ || i > hi_) bounds_fail("Arr1", i, lo_, hi_);
#endif
  }
  long lo_ = 1, hi_ = 0;
  std::vector<T> v_;
};

template <class T>
class Arr2 {
 public:
  Arr2() = default;
  Arr2(long lo1, long hi1, long lo2, long hi2, T init = T()) { resize(lo1, hi1, lo2, hi2, init); }
  void resize(long lo1, long hi1, long lo2, long hi2, T init = T()) {
    lo1_ = lo1;
    hi1_ = hi1 < lo1 - 1 ? lo1 - 1 : hi1;
    lo2_ = lo2;
    hi2_ = hi2 < lo2 - 1 ? lo2 - 1 : hi2;
    n1_ = hi1_ - lo1_ + 1;
    v_.assign(static_cast<size_t>(n1_ * (hi2_ - lo2_ + 1)), init);
  }
  // First index runs fastest, as in the program's column-ordered tables.
  T& operator()(long i, long j) {
    check(i, j);
    return v_[static_cast<size_t>((i - lo1_) + n1_ * (j - lo2_))];
  }
  const T& operator()(long i, long j) const {
    check(i, j);
    return v_[static_cast<size_t>((i - lo1_) + n1_ * (j - lo2_))];
  }
  long lo1() const { return lo1_; }
  long hi1() const { return hi1_; }
  long lo2() const { return lo2_; }
  long hi2() const { return hi2_; }
  void fill(const T& x) { v_.assign(v_.size(), x); }
  // Sets the cells [lo1:hi1, lo2:hi2], cut to the table's bounds, to x: the part of a table
  // a caller uses, without touching the rest.
  void fill_block(long lo1, long hi1, long lo2, long hi2, const T& x) {
    lo1 = lo1 < lo1_ ? lo1_ : lo1;
    hi1 = hi1 > hi1_ ? hi1_ : hi1;
    lo2 = lo2 < lo2_ ? lo2_ : lo2;
    hi2 = hi2 > hi2_ ? hi2_ : hi2;
    if (lo1 > hi1) return;
    for (long j = lo2; j <= hi2; ++j) {
      T* c = v_.data() + ((lo1 - lo1_) + n1_ * (j - lo2_));
      std::fill(c, c + (hi1 - lo1 + 1), x);
    }
  }

 private:
  void check([[maybe_unused]] long i, [[maybe_unused]] long j) const {
#ifdef TOLM_BOUNDS_CHECK
    if (i < lo1_ || i > hi1_) bounds_fail("Arr2 (first)", i, lo1_, hi1_);
    if (j < lo2_ || j > hi2_) bounds_fail("Arr2 (second)", j, lo2_, hi2_);
#endif
  }
  long lo1_ = 1, hi1_ = 0, lo2_ = 1, hi2_ = 0, n1_ = 0;
  std::vector<T> v_;
};

// A small array with bounds fixed at compile time, for the members of the run-state records.
template <class T, int Lo, int Hi>
struct Fix {
  T a[Hi - Lo + 1]{};
  T& operator()(int i) {
#ifdef TOLM_BOUNDS_CHECK
    if (i < Lo || i > Hi) bounds_fail("Fix", i, Lo, Hi);
#endif
    return a[i - Lo];
  }
  const T& operator()(int i) const {
#ifdef TOLM_BOUNDS_CHECK
    if (i < Lo || i > Hi) bounds_fail("Fix", i, Lo, Hi);
#endif
    return a[i - Lo];
  }
  void fill(const T& x) {
    for (auto& e : a) e = x;
  }
};

// The loci of the locus combinations: a table [lo1:hi1, lo2:hi2] of (combination, position)
// whose cells hold locus numbers, with the bounds and checks of Arr2, stored by rows as far as
// they are written. The first position of every row is held in one block; the further positions
// only for the rows that have them (multilocus combinations). A run of n single loci thus holds
// n numbers, not n x n. A cell never written reads as the initial value. Writing through
// operator() (and reading through it on a non-const table) stores the row up to that position.
class LociSet {
 public:
  LociSet() = default;
  void resize(long lo1, long hi1, long lo2, long hi2, int init = 0) {
    lo1_ = lo1;
    hi1_ = hi1 < lo1 - 1 ? lo1 - 1 : hi1;
    lo2_ = lo2;
    hi2_ = hi2 < lo2 - 1 ? lo2 - 1 : hi2;
    init_ = init;
    first_.assign(hi2_ >= lo2_ ? static_cast<size_t>(hi1_ - lo1_ + 1) : 0, init);
    rest_.clear();
  }
  int& operator()(long k, long i) {
    check(k, i);
    if (i == lo2_) return first_[static_cast<size_t>(k - lo1_)];
    std::vector<int>& r = rest_[k];
    const size_t j = static_cast<size_t>(i - lo2_ - 1);
    if (j >= r.size()) r.resize(j + 1, init_);
    return r[j];
  }
  int operator()(long k, long i) const {
    check(k, i);
    if (i == lo2_) return first_[static_cast<size_t>(k - lo1_)];
    const auto it = rest_.find(k);
    const size_t j = static_cast<size_t>(i - lo2_ - 1);
    return it == rest_.end() || j >= it->second.size() ? init_ : it->second[j];
  }
  long lo1() const { return lo1_; }
  long hi1() const { return hi1_; }
  long lo2() const { return lo2_; }
  long hi2() const { return hi2_; }
  // Cells held beyond the first position, summed over the rows (for the tests of the store).
  size_t stored_beyond_first() const {
    size_t n = 0;
    for (const auto& e : rest_) n += e.second.size();
    return n;
  }

 private:
  void check([[maybe_unused]] long k, [[maybe_unused]] long i) const {
#ifdef TOLM_BOUNDS_CHECK
    if (k < lo1_ || k > hi1_) bounds_fail("LociSet (first)", k, lo1_, hi1_);
    if (i < lo2_ || i > hi2_) bounds_fail("LociSet (second)", i, lo2_, hi2_);
#endif
  }
  long lo1_ = 1, hi1_ = 0, lo2_ = 1, hi2_ = 0;
  int init_ = 0;
  std::vector<int> first_;                           // position lo2 of rows lo1..hi1
  std::unordered_map<long, std::vector<int>> rest_;  // row: positions lo2+1, lo2+2, ...
};

}  // namespace tolm
