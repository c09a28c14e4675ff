// Exact tests by the heterozygote recurrence, complete enumeration and Markov chains.
#include "stattest/exact.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace tolm {

namespace {

constexpr double kRelTol = 1e-7;  // tables this close in log-probability count as ties
constexpr double kScoreTol = 1e-9;

uint64_t splitmix(uint64_t& x) {
  uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// xoshiro256**: small, fast, and the same stream on every platform.
class Rng {
 public:
  explicit Rng(uint64_t key) {
    for (auto& v : s_) v = splitmix(key);
  }
  uint64_t next() {
    const uint64_t r = rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return r;
  }
  // Two uniform numbers, in 0..n-1 and 0..m-1, from one draw.
  void two(int n, int m, int& a, int& b) {
    const uint64_t x = next();
    a = static_cast<int>(((x >> 32) * static_cast<uint64_t>(n)) >> 32);
    b = static_cast<int>(((x & 0xffffffffULL) * static_cast<uint64_t>(m)) >> 32);
  }
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

 private:
  static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t s_[4];
};

// ln n! for n = 0..N and ln n for n = 1..N.
struct LogTables {
  std::vector<double> lf{0.0}, ln{0.0};
  // Grows the tables to hold n + 1; an entry has the same value however the tables grew.
  void grow(int n) {
    const size_t from = lf.size();
    if (from >= static_cast<size_t>(n) + 2) return;
    lf.resize(static_cast<size_t>(n) + 2);
    ln.resize(static_cast<size_t>(n) + 2);
    for (size_t i = from; i < lf.size(); ++i) {
      ln[i] = std::log(static_cast<double>(i));
      lf[i] = lf[i - 1] + ln[i];
    }
  }
};

// The tables of the calling thread, kept from one test to the next: the tests of many pairs of
// demes need the same tables, and building them anew for each was a good share of their time.
const LogTables& log_tables(int n) {
  thread_local LogTables lt;
  lt.grow(n);
  return lt;
}

// Running estimates of one chain: per batch the share of steps that counted.
struct BatchMean {
  double sum = 0, sum2 = 0;
  long n = 0;
  void add(double x) {
    sum += x;
    sum2 += x * x;
    ++n;
  }
  double mean() const { return n > 0 ? sum / static_cast<double>(n) : 0.0; }
  double se() const {
    if (n < 2) return 0.0;
    const double m = mean();
    const double var = (sum2 - static_cast<double>(n) * m * m) / static_cast<double>(n - 1);
    return var > 0 ? std::sqrt(var / static_cast<double>(n)) : 0.0;
  }
};

// The entries (cells, or ordered pairs of alleles) that hold at least one unit, in an array with
// the position of each entry, so that one is added, removed or drawn at random in constant time.
class LiveSet {
 public:
  explicit LiveSet(int entries) : pos_(static_cast<size_t>(entries), -1) {
    items_.reserve(static_cast<size_t>(entries));
  }
  int size() const { return static_cast<int>(items_.size()); }
  bool has(int e) const { return pos_[static_cast<size_t>(e)] >= 0; }
  void add(int e) {
    pos_[static_cast<size_t>(e)] = size();
    items_.push_back(e);
  }
  void remove(int e) {
    const int at = pos_[static_cast<size_t>(e)];
    const int last = items_.back();
    items_[static_cast<size_t>(at)] = last;
    pos_[static_cast<size_t>(last)] = at;
    items_.pop_back();
    pos_[static_cast<size_t>(e)] = -1;
  }
  // Two entries drawn independently and uniformly.
  void two(Rng& rng, int& a, int& b) const {
    int x, y;
    rng.two(size(), size(), x, y);
    a = items_[static_cast<size_t>(x)];
    b = items_[static_cast<size_t>(y)];
  }

 private:
  std::vector<int> items_, pos_;
};

// A step of a chain whose proposal cannot move (it takes an empty cell) leaves the table as it
// is; a proposal is live with probability q, known from the table. `IdleRun` gives the number
// of idle steps before the next live proposal: when live proposals are frequent, by one 32-bit
// draw per step against q (the number of steps a branchy step would take, but each only a
// draw and a comparison); when they are rare, by drawing the geometric number at once.
// Share of live proposals at which a chain draws its proposals one by one (measured on the
// cattle data: below it, counting the idle steps at once is faster).
constexpr double kDirect = 0.4, kDirectRc = 0.15;

class IdleRun {
 public:
  void set(double q) {
    q_ = q;
    known_ = true;
    if (q >= kRare) {
      thr_ = q >= 1 ? ~0ULL : static_cast<uint64_t>(q * 0x1.0p32);
      lq_ = 0;
    } else {
      lq_ = q > 0 ? std::log1p(-q) : 0;
    }
  }
  bool known() const { return known_; }
  void forget() { known_ = false; }
  // Idle steps before the next live proposal, at most `cap` (then the run goes on later).
  long draw(Rng& rng, long cap) {
    if (q_ >= 1) return 0;
    if (q_ >= kRare) {
      long n = 0;
      for (;;) {
        const uint64_t x = rng.next();
        if ((x >> 32) < thr_) return n;
        if (++n >= cap) return cap;
        if ((x & 0xffffffffULL) < thr_) return n;
        if (++n >= cap) return cap;
      }
    }
    if (q_ <= 0) return cap;
    const double u = static_cast<double>((rng.next() >> 11) + 1) * 0x1.0p-53;  // (0, 1]
    const double g = std::floor(std::log(u) / lq_);
    return g >= static_cast<double>(cap) ? cap : static_cast<long>(g);
  }

 private:
  static constexpr double kRare = 0.05;
  double q_ = 0, lq_ = 0;
  uint64_t thr_ = 0;
  bool known_ = false;
};

// ---------------------------------------------------------------------------------------------
// Hardy-Weinberg

struct HwTable {
  int k = 0;              // alleles present
  int n = 0;              // individuals
  std::vector<int> c;     // copies of each allele
  std::vector<int> cell;  // k x k, genotype {i, j} at [min*k + max]
  int idx(int i, int j) const { return i < j ? i * k + j : j * k + i; }
};

// ln of the null probability of the table without its constant: H ln 2 - sum ln n_ij!.
double hw_logp(const HwTable& t, const LogTables& lt) {
  double s = 0;
  for (int i = 0; i < t.k; ++i)
    for (int j = i; j < t.k; ++j) {
      const int v = t.cell[static_cast<size_t>(t.idx(i, j))];
      s -= lt.lf[static_cast<size_t>(v)];
      if (i != j) s += v * lt.ln[2];
    }
  return s;
}
double hw_score(const HwTable& t) {
  double u = 0;
  for (int i = 0; i < t.k; ++i)
    u +=
        static_cast<double>(t.cell[static_cast<size_t>(i * t.k + i)]) / t.c[static_cast<size_t>(i)];
  return u;
}

// Two alleles: probabilities of every heterozygote count by the recurrence from the mode.
ExactResult hw_two(const HwTable& t) {
  const int na = std::min(t.c[0], t.c[1]), nb = std::max(t.c[0], t.c[1]);
  const int hobs = t.cell[static_cast<size_t>(t.idx(0, 1))];
  std::vector<double> pr(static_cast<size_t>(na) + 1, 0.0);
  int mid = static_cast<int>(static_cast<double>(na) * nb / (na + nb));
  if ((mid % 2) != (na % 2)) ++mid;
  if (mid > na) mid -= 2;
  pr[static_cast<size_t>(mid)] = 1.0;
  for (int h = mid; h >= 2; h -= 2) {
    const double ha = (na - h) / 2, hb = (nb - h) / 2;
    pr[static_cast<size_t>(h - 2)] =
        pr[static_cast<size_t>(h)] * h * (h - 1) / (4.0 * (ha + 1) * (hb + 1));
  }
  for (int h = mid; h + 2 <= na; h += 2) {
    const double ha = (na - h) / 2, hb = (nb - h) / 2;
    pr[static_cast<size_t>(h + 2)] =
        pr[static_cast<size_t>(h)] * 4.0 * ha * hb / ((h + 2.0) * (h + 1.0));
  }
  double tot = 0;
  for (int h = na % 2; h <= na; h += 2) tot += pr[static_cast<size_t>(h)];
  const double pobs = pr[static_cast<size_t>(hobs)] * (1 + kRelTol);
  ExactResult r;
  r.method = ExactMethod::enumeration;
  r.one_sided = true;
  for (int h = na % 2; h <= na; h += 2) {
    const double q = pr[static_cast<size_t>(h)] / tot;
    if (pr[static_cast<size_t>(h)] <= pobs) r.p += q;
    if (h <= hobs) r.p_deficit += q;
    if (h >= hobs) r.p_excess += q;
  }
  r.p = std::min(r.p, 1.0);
  r.p_deficit = std::min(r.p_deficit, 1.0);
  r.p_excess = std::min(r.p_excess, 1.0);
  return r;
}

// Every genotype table with the observed allele counts, row by row: the homozygote of the row,
// then its heterozygotes with the later alleles (the last one takes what is left).
class HwEnum {
 public:
  HwEnum(const HwTable& t, const LogTables& lt, long limit, double lconst, double lobs, double uobs)
      : t_(t),
        lt_(lt),
        limit_(limit),
        lconst_(lconst),
        lobs_(lobs),
        uobs_(uobs),
        rem_(t.c),
        inv_(static_cast<size_t>(t.k)) {
    for (int i = 0; i < t.k; ++i) inv_[static_cast<size_t>(i)] = 1.0 / t.c[static_cast<size_t>(i)];
  }
  bool run(ExactResult& r) {
    row(0, 0.0, 0.0);
    if (nodes_ > limit_) return false;
    r.method = ExactMethod::enumeration;
    r.one_sided = true;
    r.p = std::min(p_, 1.0);
    r.p_deficit = std::min(pd_, 1.0);
    r.p_excess = std::min(pe_, 1.0);
    return true;
  }

 private:
  void row(int i, double ls, double u) {
    if (++nodes_ > limit_) return;
    const int k = t_.k;
    if (i == k - 1) {
      if (rem_[static_cast<size_t>(i)] % 2 != 0) return;
      const int d = rem_[static_cast<size_t>(i)] / 2;
      leaf(ls - lt_.lf[static_cast<size_t>(d)], u + d * inv_[static_cast<size_t>(i)]);
      return;
    }
    const int ri = rem_[static_cast<size_t>(i)];
    int later = 0;
    for (int j = i + 1; j < k; ++j) later += rem_[static_cast<size_t>(j)];
    for (int d = 0; 2 * d <= ri; ++d) {
      if (ri - 2 * d > later) continue;
      rem_[static_cast<size_t>(i)] = ri - 2 * d;
      het(i, i + 1, ls - lt_.lf[static_cast<size_t>(d)], u + d * inv_[static_cast<size_t>(i)]);
      if (nodes_ > limit_) break;
    }
    rem_[static_cast<size_t>(i)] = ri;
  }
  void het(int i, int j, double ls, double u) {
    if (++nodes_ > limit_) return;
    const int k = t_.k;
    const int ri = rem_[static_cast<size_t>(i)];
    const int rj = rem_[static_cast<size_t>(j)];
    const int lo = j == k - 1 ? ri : 0;
    const int hi = std::min(ri, rj);
    for (int x = lo; x <= hi; ++x) {
      rem_[static_cast<size_t>(i)] = ri - x;
      rem_[static_cast<size_t>(j)] = rj - x;
      const double l2 = ls - lt_.lf[static_cast<size_t>(x)] + x * lt_.ln[2];
      if (j == k - 1)
        row(i + 1, l2, u);
      else
        het(i, j + 1, l2, u);
      if (nodes_ > limit_) break;
    }
    rem_[static_cast<size_t>(i)] = ri;
    rem_[static_cast<size_t>(j)] = rj;
  }
  void leaf(double ls, double u) {
    const double q = std::exp(lconst_ + ls);
    if (ls <= lobs_ + kRelTol) p_ += q;
    if (u >= uobs_ - kScoreTol) pd_ += q;
    if (u <= uobs_ + kScoreTol) pe_ += q;
  }

  const HwTable& t_;
  const LogTables& lt_;
  long limit_, nodes_ = 0;
  double lconst_, lobs_, uobs_;
  std::vector<int> rem_;  // copies of each allele not yet placed
  std::vector<double> inv_;
  double p_ = 0, pd_ = 0, pe_ = 0;
};

// The chain of Guo and Thompson on genotype tables: a proposal takes an ordered pair of distinct
// alleles (i, j) and another (a, b), all k(k-1) x k(k-1) equally likely; genotypes {i,a} and
// {j,b} become {i,b} and {j,a} with the Metropolis acceptance. Proposals that take a genotype
// nobody has are the great majority on sparse tables; they are counted by their number (see
// `LiveSet`, `idle_steps`) instead of drawn one by one, and a live proposal is drawn uniformly
// among the pairs of present genotypes, so the chain is the same in law.
class HwChain {
 public:
  HwChain(HwTable t, const LogTables& lt, uint64_t key)
      : t_(std::move(t)),
        lt_(lt),
        rng_(key),
        k_(t_.k),
        live_(k_ * k_),
        ix_(static_cast<size_t>(k_) * static_cast<size_t>(k_)),
        first_(ix_.size()),
        second_(ix_.size()),
        inv_(static_cast<size_t>(k_)),
        nz_(static_cast<size_t>(k_), 0) {
    for (int i = 0; i < k_; ++i) {
      inv_[static_cast<size_t>(i)] = 1.0 / t_.c[static_cast<size_t>(i)];
      for (int j = 0; j < k_; ++j) {
        ix_[static_cast<size_t>(i * k_ + j)] = t_.idx(i, j);
        first_[static_cast<size_t>(i * k_ + j)] = i;
        second_[static_cast<size_t>(i * k_ + j)] = j;
      }
    }
    for (int i = 0; i < k_; ++i)
      for (int j = i; j < k_; ++j)
        if (t_.cell[static_cast<size_t>(i * k_ + j)] > 0) turn_on(i, j);
    const double pairs = static_cast<double>(k_) * (k_ - 1);
    proposals_ = pairs * pairs;
    lobs_ = hw_logp(t_, lt_) + kRelTol;
    uobs_ = hw_score(t_);
    direct_ = live_moves() >= kDirect * proposals_;
  }

  ExactResult run(const ChainSettings& cs) {
    advance(cs.dememorisation, false);
    for (long bt = 0; bt < cs.batches; ++bt) {
      lp_ = hw_logp(t_, lt_);
      u_ = hw_score(t_);
      cp_ = cd_ = ce_ = 0;
      advance(cs.iterations, true);
      const double it = static_cast<double>(std::max(1L, cs.iterations));
      mp_.add(static_cast<double>(cp_) / it);
      md_.add(static_cast<double>(cd_) / it);
      me_.add(static_cast<double>(ce_) / it);
    }
    ExactResult r;
    r.method = ExactMethod::chain;
    r.one_sided = true;
    r.p = mp_.mean();
    r.se = mp_.se();
    r.p_deficit = md_.mean();
    r.se_deficit = md_.se();
    r.p_excess = me_.mean();
    r.se_excess = me_.se();
    return r;
  }

 private:
  // `steps` steps of the chain, each counted (when `count`) with the table it ends on.
  void advance(long steps, bool count) {
    if (direct_) {
      if (count)
        direct<true>(steps);
      else
        direct<false>(steps);
      return;
    }
    while (steps > 0) {
      if (!idle_.known()) idle_.set(live_moves() / proposals_);
      const long still = idle_.draw(rng_, steps);
      if (count) tally(still);
      steps -= still;
      if (steps == 0) return;
      live_step();
      if (count) tally(1);
      --steps;
    }
  }
  // Proposals drawn one by one; `move` is inlined into the loop, the hot path of dense tables.
  template <bool kCount>
  void direct(long steps) {
    for (long s = 0; s < steps; ++s) {
      int i, j, a, b;
      rng_.two(k_, k_ - 1, i, j);
      if (j >= i) ++j;
      rng_.two(k_, k_ - 1, a, b);
      if (b >= a) ++b;
      move(i, a, j, b);
      if (kCount) tally(1);
    }
  }
  void tally(long n) {
    cp_ += lp_ <= lobs_ ? n : 0;
    cd_ += u_ >= uobs_ - kScoreTol ? n : 0;
    ce_ += u_ <= uobs_ + kScoreTol ? n : 0;
  }
  // Ordered pairs of present genotypes ((i,a), (j,b)) with i != j and a != b.
  double live_moves() const {
    const double n = live_.size();
    return n * n - 2.0 * static_cast<double>(sq_) + n;
  }
  void turn_on(int i, int j) {
    live_.add(i * k_ + j);
    bump(i, 1);
    if (i != j) {
      live_.add(j * k_ + i);
      bump(j, 1);
    }
  }
  void turn_off(int i, int j) {
    live_.remove(i * k_ + j);
    bump(i, -1);
    if (i != j) {
      live_.remove(j * k_ + i);
      bump(j, -1);
    }
  }
  void bump(int i, int d) {
    idle_.forget();
    int& z = nz_[static_cast<size_t>(i)];
    sq_ += d > 0 ? 2L * z + 1 : 1 - 2L * z;
    z += d;
  }
  void live_step() {
    int i, a, j, b;
    for (;;) {
      int e1, e2;
      live_.two(rng_, e1, e2);
      i = first_[static_cast<size_t>(e1)];
      a = second_[static_cast<size_t>(e1)];
      j = first_[static_cast<size_t>(e2)];
      b = second_[static_cast<size_t>(e2)];
      if (i != j && a != b) break;
    }
    move(i, a, j, b);
  }
  // Genotypes {i,a} and {j,b} become {i,b} and {j,a} with the Metropolis acceptance, when the
  // table has them.
  [[gnu::always_inline]] void move(int i, int a, int j, int b) {
    int* cell = t_.cell.data();
    const int* cix = ix_.data();
    const int A = cix[i * k_ + a], B = cix[j * k_ + b], C = cix[i * k_ + b], D = cix[j * k_ + a];
    if (cell[A] == 0) return;
    const int na = cell[A]--;
    if (cell[B] == 0) {  // {i,a} = {j,b} held by one individual only
      ++cell[A];
      return;
    }
    const int nb = cell[B]--;
    const int nc = ++cell[C];
    const int nd = ++cell[D];
    // The ratio of the new table's probability to the old one's, from the four changed cells.
    const int dh = (i != b) + (j != a) - (i != a) - (j != b);
    const double num = static_cast<double>(na) * nb * (dh > 0 ? 1 << dh : 1);
    const double den = static_cast<double>(nc) * nd * (dh < 0 ? 1 << -dh : 1);
    if (num < den && rng_.unit() * den >= num) {
      --cell[D];
      --cell[C];
      ++cell[B];
      ++cell[A];
      return;
    }
    const double* ln = lt_.ln.data();
    lp_ += (ln[na] + ln[nb]) - (ln[nc] + ln[nd]) + dh * ln[2];
    if (i == a) u_ -= inv_[static_cast<size_t>(i)];
    if (j == b) u_ -= inv_[static_cast<size_t>(j)];
    if (i == b) u_ += inv_[static_cast<size_t>(i)];
    if (j == a) u_ += inv_[static_cast<size_t>(j)];
    if (direct_) return;
    // {i,a} = {j,b} and {i,b} = {j,a} may be one cell each: the counts above are taken in turn.
    if (A == B ? nb == 1 : na == 1) turn_off(i, a);
    if (A != B && nb == 1) turn_off(j, b);
    if (nc == 1) turn_on(i, b);
    if (C != D && nd == 1) turn_on(j, a);
  }

  HwTable t_;
  const LogTables& lt_;
  Rng rng_;
  int k_;
  LiveSet live_;                          // ordered pairs (i,a) of present genotypes
  std::vector<int> ix_, first_, second_;  // per ordered pair: its cell, its two alleles
  std::vector<double> inv_;
  std::vector<int> nz_;  // per allele i: present genotypes {i,a}
  long sq_ = 0;          // sum of nz_ squared
  double proposals_ = 1, lobs_ = 0, uobs_ = 0, lp_ = 0, u_ = 0;
  IdleRun idle_;
  bool direct_ = false;  // proposals drawn one by one (live ones are frequent)
  long cp_ = 0, cd_ = 0, ce_ = 0;
  BatchMean mp_, md_, me_;
};

// ---------------------------------------------------------------------------------------------
// Contingency tables

struct RcTable {
  int r = 0, c = 0;
  std::vector<int> v;  // r x c
  std::vector<int> rs, cs;
  int n = 0;
};

double rc_logp(const RcTable& t, const LogTables& lt) {
  double s = 0;
  for (int x : t.v) s -= lt.lf[static_cast<size_t>(x)];
  return s;
}

// Every table with the margins, column by column; the last row and column take what is left.
class RcEnum {
 public:
  RcEnum(const RcTable& t, const LogTables& lt, long limit, double lconst, double lobs)
      : t_(t), lt_(lt), limit_(limit), lconst_(lconst), lobs_(lobs), rem_(t.rs) {}
  bool run(ExactResult& r) {
    col(0, 0.0);
    if (nodes_ > limit_) return false;
    r.method = ExactMethod::enumeration;
    r.p = std::min(p_, 1.0);
    return true;
  }

 private:
  void col(int j, double ls) {
    if (++nodes_ > limit_) return;
    if (j == t_.c - 1) {
      double s = ls;
      for (int x : rem_) s -= lt_.lf[static_cast<size_t>(x)];
      if (s <= lobs_ + kRelTol) p_ += std::exp(lconst_ + s);
      return;
    }
    cell(j, 0, t_.cs[static_cast<size_t>(j)], ls);
  }
  void cell(int j, int i, int left, double ls) {
    if (++nodes_ > limit_) return;
    const int ri = rem_[static_cast<size_t>(i)];
    if (i == t_.r - 1) {
      if (left > ri) return;
      rem_[static_cast<size_t>(i)] = ri - left;
      col(j + 1, ls - lt_.lf[static_cast<size_t>(left)]);
      rem_[static_cast<size_t>(i)] = ri;
      return;
    }
    int later = 0;
    for (int q = i + 1; q < t_.r; ++q) later += rem_[static_cast<size_t>(q)];
    const int hi = std::min(ri, left);
    for (int x = std::max(0, left - later); x <= hi; ++x) {
      rem_[static_cast<size_t>(i)] = ri - x;
      cell(j, i + 1, left - x, ls - lt_.lf[static_cast<size_t>(x)]);
      if (nodes_ > limit_) break;
    }
    rem_[static_cast<size_t>(i)] = ri;
  }

  const RcTable& t_;
  const LogTables& lt_;
  long limit_, nodes_ = 0;
  double lconst_, lobs_;
  std::vector<int> rem_;
  double p_ = 0;
};

// Two-row tables: the rows' first entries x_j (one per column) decide the table. Stages run
// over the columns; at each partial table the largest and smallest log-probability its
// completions can reach decide whether all of them count (their total probability is a ratio
// of binomial coefficients), none does, or the next column must be split further.
class TwoRow {
 public:
  TwoRow(const RcTable& t, const LogTables& lt, long limit)
      : t_(t), lt_(lt), limit_(limit), hi_(bufs().hi), lo_(bufs().lo) {
    const int k = t.c;
    n1_ = t.rs[0];
    const int n2 = t.rs[1];
    const size_t w = static_cast<size_t>(n1_) + 1;
    hi_.assign((static_cast<size_t>(k) + 1) * w, -kInf);
    lo_.assign((static_cast<size_t>(k) + 1) * w, kInf);
    rest_.assign(static_cast<size_t>(k) + 1, 0);
    hi_[static_cast<size_t>(k) * w] = lo_[static_cast<size_t>(k) * w] = 0;
    for (int j = k - 1; j >= 0; --j) {
      const int r = t.cs[static_cast<size_t>(j)];
      rest_[static_cast<size_t>(j)] = rest_[static_cast<size_t>(j) + 1] + r;
      for (int x = std::max(0, r - n2); x <= std::min(r, n1_); ++x) {
        const double f = lc(r, x);
        // The later columns hold at most rest_[j + 1] units: beyond, nothing is reachable.
        // An unreachable count needs no test: f + -kInf is -kInf and f + kInf is kInf exactly
        // (f is far below the spacing of doubles near kInf), so the loop runs without branches.
        const int top = std::min(n1_ - x, rest_[static_cast<size_t>(j) + 1]);
        const double* hfrom = hi_.data() + (static_cast<size_t>(j) + 1) * w;
        const double* lfrom = lo_.data() + (static_cast<size_t>(j) + 1) * w;
        double* hto = hi_.data() + static_cast<size_t>(j) * w + static_cast<size_t>(x);
        double* lto = lo_.data() + static_cast<size_t>(j) * w + static_cast<size_t>(x);
        for (int u = 0; u <= top; ++u) {
          const double a = f + hfrom[u], b = f + lfrom[u];
          hto[u] = hto[u] < a ? a : hto[u];
          lto[u] = b < lto[u] ? b : lto[u];
        }
      }
    }
  }
  // Partial tables are merged when they leave the same number of units to place and have the
  // same log-probability: from there on they share every completion.
  bool run(double lobs, ExactResult& r) {
    lobs_ = lobs + kRelTol;
    lall_ = lc(rest_[0], n1_);
    std::vector<Part>& cur = bufs().cur;
    std::vector<Part>& next = bufs().next;
    cur.assign(1, Part{n1_, 0, 0.0, 1.0});
    const size_t w = static_cast<size_t>(n1_) + 1;
    long made = 0;
    for (int j = 0; j <= t_.c && !cur.empty(); ++j) {
      // The partial tables this stage would make, counted first: a table that passes the limit
      // here goes to the chain before any of them is made.
      if (j < t_.c) {
        const int c = t_.cs[static_cast<size_t>(j)];
        long would = 0;
        for (const Part& s : cur) {
          const size_t at = static_cast<size_t>(j) * w + static_cast<size_t>(s.left);
          if (s.l + lo_[at] - lall_ > lobs_ || s.l + hi_[at] - lall_ <= lobs_) continue;
          would += std::max(0, std::min(c, s.left) - std::max(0, c - t_.rs[1]) + 1);
        }
        if (made + would > limit_) return false;
      }
      next.clear();
      for (const Part& s : cur) {
        const size_t at = static_cast<size_t>(j) * w + static_cast<size_t>(s.left);
        if (s.l + lo_[at] - lall_ > lobs_) continue;
        if (s.l + hi_[at] - lall_ <= lobs_) {
          p_ += s.n * std::exp(s.l + lc(rest_[static_cast<size_t>(j)], s.left) - lall_);
          continue;
        }
        const int c = t_.cs[static_cast<size_t>(j)];
        for (int x = std::max(0, c - t_.rs[1]); x <= std::min(c, s.left); ++x) {
          const double l = s.l + lc(c, x);
          next.push_back({s.left - x, std::llround(l * 1e9), l, s.n});
        }
      }
      made += static_cast<long>(next.size());
      if (made > limit_) return false;
      std::sort(next.begin(), next.end(), [](const Part& x, const Part& y) {
        return x.left != y.left ? x.left < y.left : x.key < y.key;
      });
      cur.clear();
      for (const Part& s : next) {
        if (!cur.empty() && cur.back().left == s.left && cur.back().key == s.key)
          cur.back().n += s.n;
        else
          cur.push_back(s);
      }
    }
    r.method = ExactMethod::enumeration;
    r.p = std::min(p_, 1.0);
    return true;
  }

 private:
  struct Part {
    int left;       // units of the first row still to place
    long long key;  // the log-probability rounded, for merging
    double l;       // sum of ln C(column total, entry) so far
    double n;       // number of partial tables merged here
  };
  static constexpr double kInf = 1e300;
  double lc(int n, int x) const {
    return lt_.lf[static_cast<size_t>(n)] - lt_.lf[static_cast<size_t>(x)] -
           lt_.lf[static_cast<size_t>(n - x)];
  }

  const RcTable& t_;
  const LogTables& lt_;
  long limit_;
  int n1_ = 0;
  // Largest and smallest ln-probability of the completions, per column and units left: kept
  // per thread, as the tables of the pairs of demes come one after the other.
  struct Bufs {
    std::vector<double> hi, lo;
    std::vector<Part> cur, next;
  };
  static Bufs& bufs() {
    thread_local Bufs b;
    return b;
  }
  std::vector<double>& hi_;
  std::vector<double>& lo_;
  std::vector<int> rest_;
  double lobs_ = 0, lall_ = 0, p_ = 0;
};

// The chain on tables with fixed margins: a proposal takes two distinct rows i, i2 and two
// distinct columns j, j2, all equally likely, and moves one unit from (i,j2) and (i2,j) to (i,j)
// and (i2,j2) with the Metropolis acceptance. As for genotypes, the proposals that take an empty
// cell are counted by their number, and a live one is drawn among pairs of occupied cells.
class RcChain {
 public:
  RcChain(RcTable t, const LogTables& lt, uint64_t key)
      : t_(std::move(t)),
        lt_(lt),
        rng_(key),
        live_(t_.r * t_.c),
        nr_(static_cast<size_t>(t_.r), 0),
        nc_(static_cast<size_t>(t_.c), 0),
        row_(static_cast<size_t>(t_.r) * static_cast<size_t>(t_.c)),
        col_(row_.size()) {
    for (int e = 0; e < t_.r * t_.c; ++e) {
      row_[static_cast<size_t>(e)] = e / t_.c;
      col_[static_cast<size_t>(e)] = e % t_.c;
    }
    for (int e = 0; e < t_.r * t_.c; ++e)
      if (t_.v[static_cast<size_t>(e)] > 0) turn(e, 1);
    proposals_ = static_cast<double>(t_.r) * (t_.r - 1) * t_.c * (t_.c - 1);
    lobs_ = rc_logp(t_, lt_) + kRelTol;
    direct_ = live_moves() >= kDirectRc * proposals_;
  }

  ExactResult run(const ChainSettings& cs) {
    advance(cs.dememorisation, false);
    BatchMean mp;
    for (long bt = 0; bt < cs.batches; ++bt) {
      lp_ = rc_logp(t_, lt_);
      cp_ = 0;
      advance(cs.iterations, true);
      mp.add(static_cast<double>(cp_) / static_cast<double>(std::max(1L, cs.iterations)));
    }
    ExactResult r;
    r.method = ExactMethod::chain;
    r.p = mp.mean();
    r.se = mp.se();
    return r;
  }

 private:
  void advance(long steps, bool count) {
    if (direct_) {
      if (count)
        direct<true>(steps);
      else
        direct<false>(steps);
      return;
    }
    while (steps > 0) {
      if (!idle_.known()) idle_.set(live_moves() / proposals_);
      const long still = idle_.draw(rng_, steps);
      if (count && lp_ <= lobs_) cp_ += still;
      steps -= still;
      if (steps == 0) return;
      live_step();
      if (count && lp_ <= lobs_) ++cp_;
      --steps;
    }
  }
  // Proposals drawn one by one; `move` is inlined into the loop, the hot path of dense tables.
  template <bool kCount>
  void direct(long steps) {
    for (long s = 0; s < steps; ++s) {
      int i, i2, j, j2;
      rng_.two(t_.r, t_.r - 1, i, i2);
      if (i2 >= i) ++i2;
      rng_.two(t_.c, t_.c - 1, j, j2);
      if (j2 >= j) ++j2;
      move(i, i2, j, j2);
      if (kCount && lp_ <= lobs_) ++cp_;
    }
  }
  // Ordered pairs of occupied cells in different rows and different columns.
  double live_moves() const {
    const double n = live_.size();
    return n * n - static_cast<double>(sqr_) - static_cast<double>(sqc_) + n;
  }
  void turn(int e, int d) {
    idle_.forget();
    if (d > 0)
      live_.add(e);
    else
      live_.remove(e);
    int& zr = nr_[static_cast<size_t>(row_[static_cast<size_t>(e)])];
    int& zc = nc_[static_cast<size_t>(col_[static_cast<size_t>(e)])];
    sqr_ += d > 0 ? 2L * zr + 1 : 1 - 2L * zr;
    sqc_ += d > 0 ? 2L * zc + 1 : 1 - 2L * zc;
    zr += d;
    zc += d;
  }
  void live_step() {
    int e1, e2, i, j2, i2, j;
    for (;;) {
      live_.two(rng_, e1, e2);
      i = row_[static_cast<size_t>(e1)];
      j2 = col_[static_cast<size_t>(e1)];
      i2 = row_[static_cast<size_t>(e2)];
      j = col_[static_cast<size_t>(e2)];
      if (i != i2 && j != j2) break;
    }
    move(i, i2, j, j2);
  }
  // One unit from (i,j2) and (i2,j) to (i,j) and (i2,j2) with the Metropolis acceptance, when
  // the table has them.
  [[gnu::always_inline]] void move(int i, int i2, int j, int j2) {
    const int C = t_.c;
    int* v = t_.v.data();
    const int e1 = i * C + j2, e2 = i2 * C + j, x = i * C + j, y = i2 * C + j2;
    const int na = v[e1], nb = v[e2];
    if (na == 0 || nb == 0) return;
    const double num = static_cast<double>(na) * nb;
    const double den = static_cast<double>(v[x] + 1) * (v[y] + 1);
    if (num < den && rng_.unit() * den >= num) return;
    const double* ln = lt_.ln.data();
    // The four terms are summed apart from lp_, so that a step waits on one addition to it.
    lp_ += (ln[na] + ln[nb]) - (ln[v[x] + 1] + ln[v[y] + 1]);
    if (direct_) {
      --v[e1];
      --v[e2];
      ++v[x];
      ++v[y];
      return;
    }
    if (--v[e1] == 0) turn(e1, -1);
    if (--v[e2] == 0) turn(e2, -1);
    if (v[x]++ == 0) turn(x, 1);
    if (v[y]++ == 0) turn(y, 1);
  }

  RcTable t_;
  const LogTables& lt_;
  Rng rng_;
  LiveSet live_;                // occupied cells
  std::vector<int> nr_, nc_;    // occupied cells per row, per column
  std::vector<int> row_, col_;  // row and column of each cell
  long sqr_ = 0, sqc_ = 0;      // their sums of squares
  double proposals_ = 1, lobs_ = 0, lp_ = 0;
  IdleRun idle_;
  bool direct_ = false;  // proposals drawn one by one (live ones are frequent)
  long cp_ = 0;
};

// Numbers of fillings of parts 0..n-1 (part i at most caps[i]) summing to each s <= total.
std::vector<uint64_t> filling_counts(const std::vector<int>& caps, int total) {
  std::vector<uint64_t> w(static_cast<size_t>(total) + 1, 0), nw(w.size());
  w[0] = 1;
  for (int m : caps) {
    // nw[s] = sum of w[s-m..s]: a window of saturated counts, each below 2^32, so the sum of
    // at most 2^31 of them cannot overflow and is exact until it passes the cap.
    uint64_t win = 0;
    for (int s = 0; s <= total; ++s) {
      win += w[static_cast<size_t>(s)];
      if (s - m - 1 >= 0) win -= w[static_cast<size_t>(s - m - 1)];
      nw[static_cast<size_t>(s)] = std::min(win, kFloorCap);
    }
    w.swap(nw);
  }
  return w;
}

}  // namespace

double two_row_work(int n1, const std::vector<int>& cols) {
  double cells = 0;
  for (int c : cols) cells += static_cast<double>(std::min(c, n1)) + 1;
  return cells * (static_cast<double>(n1) + 1);
}

uint64_t fillings(const std::vector<int>& caps, int total) {
  if (total < 0) return 0;
  return filling_counts(caps, total)[static_cast<size_t>(total)];
}

uint64_t hw_fillings(const std::vector<int>& c) {
  if (c.size() < 3) return 0;
  const std::vector<int> later(c.begin() + 1, c.end());
  const std::vector<uint64_t> w = filling_counts(later, c[0]);
  uint64_t n = 0;
  for (int d = 0; 2 * d <= c[0]; ++d)
    n = std::min(n + w[static_cast<size_t>(c[0] - 2 * d)], kFloorCap);
  return n;
}

uint64_t test_key(uint64_t seed, std::initializer_list<long> ids) {
  uint64_t h = seed;
  uint64_t x = splitmix(h);
  for (long id : ids) {
    h ^= static_cast<uint64_t>(id) + 0x632be59bd9b4e019ULL + (x << 6) + (x >> 2);
    x = splitmix(h);
  }
  return x;
}

ExactResult hw_exact(const std::vector<int>& g, int k, const ChainSettings& cs, uint64_t key,
                     long enum_nodes) {
  // Alleles present, and the table folded onto them
  std::vector<int> cnt(static_cast<size_t>(k), 0);
  for (int i = 0; i < k; ++i)
    for (int j = i; j < k; ++j) {
      const int v = g[static_cast<size_t>(i * k + j)];
      cnt[static_cast<size_t>(i)] += v;
      cnt[static_cast<size_t>(j)] += v;
    }
  std::vector<int> map(static_cast<size_t>(k), -1);
  HwTable t;
  for (int i = 0; i < k; ++i)
    if (cnt[static_cast<size_t>(i)] > 0) {
      map[static_cast<size_t>(i)] = t.k++;
      t.c.push_back(cnt[static_cast<size_t>(i)]);
    }
  ExactResult r;
  if (t.k < 2) return r;
  t.cell.assign(static_cast<size_t>(t.k) * static_cast<size_t>(t.k), 0);
  for (int i = 0; i < k; ++i)
    for (int j = i; j < k; ++j) {
      const int v = g[static_cast<size_t>(i * k + j)];
      if (v == 0) continue;
      t.cell[static_cast<size_t>(
          t.idx(map[static_cast<size_t>(i)], map[static_cast<size_t>(j)]))] += v;
      t.n += v;
    }
  if (t.k == 2) return hw_two(t);

  const LogTables& lt = log_tables(2 * t.n + 2);
  double lconst = lt.lf[static_cast<size_t>(t.n)] - lt.lf[static_cast<size_t>(2 * t.n)];
  for (int c : t.c) lconst += lt.lf[static_cast<size_t>(c)];
  if (enum_nodes >= static_cast<long>(kFloorCap) ||
      hw_fillings(t.c) <= static_cast<uint64_t>(enum_nodes)) {
    HwEnum e(t, lt, enum_nodes, lconst, hw_logp(t, lt), hw_score(t));
    if (e.run(r)) return r;
  }
  return HwChain(std::move(t), lt, key).run(cs);
}

ExactResult table_exact(const std::vector<int>& v, int r, int c, const ChainSettings& cs,
                        uint64_t key, long enum_nodes) {
  std::vector<int> rs(static_cast<size_t>(r), 0), cs0(static_cast<size_t>(c), 0);
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < c; ++j) {
      rs[static_cast<size_t>(i)] += v[static_cast<size_t>(i * c + j)];
      cs0[static_cast<size_t>(j)] += v[static_cast<size_t>(i * c + j)];
    }
  RcTable t;
  std::vector<int> rows, cols;
  for (int i = 0; i < r; ++i)
    if (rs[static_cast<size_t>(i)] > 0) rows.push_back(i);
  for (int j = 0; j < c; ++j)
    if (cs0[static_cast<size_t>(j)] > 0) cols.push_back(j);
  ExactResult res;
  if (rows.size() < 2 || cols.size() < 2) return res;
  // The longer side runs along the columns: fewer cells per column to distribute.
  const bool flip = rows.size() > cols.size();
  t.r = static_cast<int>(flip ? cols.size() : rows.size());
  t.c = static_cast<int>(flip ? rows.size() : cols.size());
  t.v.resize(static_cast<size_t>(t.r) * static_cast<size_t>(t.c));
  for (size_t a = 0; a < rows.size(); ++a)
    for (size_t b = 0; b < cols.size(); ++b) {
      const int x = v[static_cast<size_t>(rows[a] * c + cols[b])];
      const size_t at = flip ? b * static_cast<size_t>(t.c) + a : a * static_cast<size_t>(t.c) + b;
      t.v[at] = x;
    }
  t.rs.assign(static_cast<size_t>(t.r), 0);
  t.cs.assign(static_cast<size_t>(t.c), 0);
  for (int i = 0; i < t.r; ++i)
    for (int j = 0; j < t.c; ++j) {
      t.rs[static_cast<size_t>(i)] += t.v[static_cast<size_t>(i * t.c + j)];
      t.cs[static_cast<size_t>(j)] += t.v[static_cast<size_t>(i * t.c + j)];
      t.n += t.v[static_cast<size_t>(i * t.c + j)];
    }
  const LogTables& lt = log_tables(t.n + 2);
  double lconst = -lt.lf[static_cast<size_t>(t.n)];
  for (int x : t.rs) lconst += lt.lf[static_cast<size_t>(x)];
  for (int x : t.cs) lconst += lt.lf[static_cast<size_t>(x)];
  if (t.r == 2) {
    if (two_row_work(t.rs[0], t.cs) <= kTwoRowWork) {
      TwoRow two(t, lt, enum_nodes / 20);
      if (two.run(lconst + rc_logp(t, lt), res)) return res;
    }
  } else if (enum_nodes >= static_cast<long>(kFloorCap) ||
             fillings(t.rs, t.cs[0]) <= static_cast<uint64_t>(enum_nodes)) {
    RcEnum e(t, lt, enum_nodes, lconst, rc_logp(t, lt));
    if (e.run(res)) return res;
  }
  return RcChain(std::move(t), lt, key).run(cs);
}

const char* method_text(ExactMethod m) {
  switch (m) {
    case ExactMethod::enumeration:
      return "Complete_enumeration";
    case ExactMethod::chain:
      return "Markov_chain";
    default:
      return "";
  }
}
const char* method_long_name(ExactMethod m) {
  switch (m) {
    case ExactMethod::enumeration:
      return "exact-enumeration";
    case ExactMethod::chain:
      return "exact-mcmc";
    default:
      return "";
  }
}

}  // namespace tolm
