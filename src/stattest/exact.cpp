// Exact tests by the heterozygote recurrence, complete enumeration and Markov chains.
#include "stattest/exact.h"

#include <algorithm>
#include <cmath>
#include <numeric>

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
  std::vector<double> lf, ln;
  explicit LogTables(int n)
      : lf(static_cast<size_t>(n) + 2, 0.0), ln(static_cast<size_t>(n) + 2, 0.0) {
    for (int i = 1; i <= n + 1; ++i) {
      ln[static_cast<size_t>(i)] = std::log(static_cast<double>(i));
      lf[static_cast<size_t>(i)] = lf[static_cast<size_t>(i) - 1] + ln[static_cast<size_t>(i)];
    }
  }
};

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
        v_(t.cell) {}
  bool run(ExactResult& r) {
    row(0, 0.0);
    if (nodes_ > limit_) return false;
    r.method = ExactMethod::enumeration;
    r.one_sided = true;
    r.p = std::min(p_, 1.0);
    r.p_deficit = std::min(pd_, 1.0);
    r.p_excess = std::min(pe_, 1.0);
    return true;
  }

 private:
  void row(int i, double ls) {
    if (++nodes_ > limit_) return;
    const int k = t_.k;
    if (i == k - 1) {
      if (rem_[static_cast<size_t>(i)] % 2 != 0) return;
      const int d = rem_[static_cast<size_t>(i)] / 2;
      v_[static_cast<size_t>(i * k + i)] = d;
      leaf(ls - lt_.lf[static_cast<size_t>(d)]);
      return;
    }
    const int ri = rem_[static_cast<size_t>(i)];
    int later = 0;
    for (int j = i + 1; j < k; ++j) later += rem_[static_cast<size_t>(j)];
    for (int d = 0; 2 * d <= ri; ++d) {
      if (ri - 2 * d > later) continue;
      v_[static_cast<size_t>(i * k + i)] = d;
      rem_[static_cast<size_t>(i)] = ri - 2 * d;
      het(i, i + 1, ls - lt_.lf[static_cast<size_t>(d)]);
      if (nodes_ > limit_) break;
    }
    rem_[static_cast<size_t>(i)] = ri;
  }
  void het(int i, int j, double ls) {
    if (++nodes_ > limit_) return;
    const int k = t_.k;
    const int ri = rem_[static_cast<size_t>(i)];
    const int rj = rem_[static_cast<size_t>(j)];
    const int lo = j == k - 1 ? ri : 0;
    const int hi = std::min(ri, rj);
    for (int x = lo; x <= hi; ++x) {
      v_[static_cast<size_t>(i * k + j)] = x;
      rem_[static_cast<size_t>(i)] = ri - x;
      rem_[static_cast<size_t>(j)] = rj - x;
      const double l2 = ls - lt_.lf[static_cast<size_t>(x)] + x * lt_.ln[2];
      if (j == k - 1)
        row(i + 1, l2);
      else
        het(i, j + 1, l2);
      if (nodes_ > limit_) break;
    }
    rem_[static_cast<size_t>(i)] = ri;
    rem_[static_cast<size_t>(j)] = rj;
  }
  void leaf(double ls) {
    const double q = std::exp(lconst_ + ls);
    if (ls <= lobs_ + kRelTol) p_ += q;
    double u = 0;
    for (int i = 0; i < t_.k; ++i)
      u +=
          static_cast<double>(v_[static_cast<size_t>(i * t_.k + i)]) / t_.c[static_cast<size_t>(i)];
    if (u >= uobs_ - kScoreTol) pd_ += q;
    if (u <= uobs_ + kScoreTol) pe_ += q;
  }

  const HwTable& t_;
  const LogTables& lt_;
  long limit_, nodes_ = 0;
  double lconst_, lobs_, uobs_;
  std::vector<int> rem_, v_;
  double p_ = 0, pd_ = 0, pe_ = 0;
};

// The chain: two genotypes {i,k} and {j,l} become {i,l} and {j,k}; Metropolis acceptance.
ExactResult hw_chain(HwTable t, const LogTables& lt, const ChainSettings& cs, uint64_t key) {
  Rng rng(key);
  const int k = t.k;
  const double lobs = hw_logp(t, lt) + kRelTol;
  const double uobs = hw_score(t);
  std::vector<double> inv(static_cast<size_t>(k));
  for (int i = 0; i < k; ++i) inv[static_cast<size_t>(i)] = 1.0 / t.c[static_cast<size_t>(i)];
  // Cell of each ordered pair of alleles, looked up rather than ordered at every step.
  std::vector<int> ix(static_cast<size_t>(k) * static_cast<size_t>(k));
  for (int i = 0; i < k; ++i)
    for (int j = 0; j < k; ++j) ix[static_cast<size_t>(i * k + j)] = t.idx(i, j);
  const int* cix = ix.data();
  int* cell = t.cell.data();
  const double* ln = lt.ln.data();
  double lp = lobs - kRelTol, u = uobs;
  long cp = 0, cd = 0, ce = 0;
  auto step = [&]() {
    int i, j, a, b;
    rng.two(k, k - 1, i, j);
    if (j >= i) ++j;
    rng.two(k, k - 1, a, b);
    if (b >= a) ++b;
    const int A = cix[i * k + a], B = cix[j * k + b], C = cix[i * k + b], D = cix[j * k + a];
    if (cell[A] == 0) return;
    const int na = cell[A]--;
    if (cell[B] == 0) {
      ++cell[A];
      return;
    }
    const int nb = cell[B]--;
    const int nc = ++cell[C];
    const int nd = ++cell[D];
    // The ratio of the new table's probability to the old one's, in whole numbers.
    const int dh = (i != b) + (j != a) - (i != a) - (j != b);
    const double num = static_cast<double>(na) * nb * (dh > 0 ? 1 << dh : 1);
    const double den = static_cast<double>(nc) * nd * (dh < 0 ? 1 << -dh : 1);
    if (num < den && rng.unit() * den >= num) {
      --cell[D];
      --cell[C];
      ++cell[B];
      ++cell[A];
      return;
    }
    const double delta = ln[na] + ln[nb] - ln[nc] - ln[nd] + dh * ln[2];
    lp += delta;
    if (i == a) u -= inv[static_cast<size_t>(i)];
    if (j == b) u -= inv[static_cast<size_t>(j)];
    if (i == b) u += inv[static_cast<size_t>(i)];
    if (j == a) u += inv[static_cast<size_t>(j)];
  };
  for (long s = 0; s < cs.dememorisation; ++s) step();
  BatchMean mp, md, me;
  for (long bt = 0; bt < cs.batches; ++bt) {
    lp = hw_logp(t, lt);
    u = hw_score(t);
    cp = cd = ce = 0;
    for (long s = 0; s < cs.iterations; ++s) {
      step();
      cp += lp <= lobs;
      cd += u >= uobs - kScoreTol;
      ce += u <= uobs + kScoreTol;
    }
    const double it = static_cast<double>(std::max(1L, cs.iterations));
    mp.add(cp / it);
    md.add(cd / it);
    me.add(ce / it);
  }
  ExactResult r;
  r.method = ExactMethod::chain;
  r.one_sided = true;
  r.p = mp.mean();
  r.se = mp.se();
  r.p_deficit = md.mean();
  r.se_deficit = md.se();
  r.p_excess = me.mean();
  r.se_excess = me.se();
  return r;
}

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
  TwoRow(const RcTable& t, const LogTables& lt, long limit) : t_(t), lt_(lt), limit_(limit) {
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
        for (int u = 0; u + x <= n1_; ++u) {
          const size_t from = (static_cast<size_t>(j) + 1) * w + static_cast<size_t>(u);
          const size_t to = static_cast<size_t>(j) * w + static_cast<size_t>(u + x);
          if (hi_[from] == -kInf) continue;
          hi_[to] = std::max(hi_[to], f + hi_[from]);
          lo_[to] = std::min(lo_[to], f + lo_[from]);
        }
      }
    }
  }
  // Partial tables are merged when they leave the same number of units to place and have the
  // same log-probability: from there on they share every completion.
  bool run(double lobs, ExactResult& r) {
    lobs_ = lobs + kRelTol;
    lall_ = lc(rest_[0], n1_);
    std::vector<Part> cur{{n1_, 0, 0.0, 1.0}}, next;
    const size_t w = static_cast<size_t>(n1_) + 1;
    long made = 0;
    for (int j = 0; j <= t_.c && !cur.empty(); ++j) {
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
  std::vector<double> hi_, lo_;
  std::vector<int> rest_;
  double lobs_ = 0, lall_ = 0, p_ = 0;
};

// The chain: +1 at (i,j) and (i2,j2), -1 at (i,j2) and (i2,j); Metropolis acceptance.
ExactResult rc_chain(RcTable t, const LogTables& lt, const ChainSettings& cs, uint64_t key) {
  Rng rng(key);
  const int R = t.r, C = t.c;
  const double lobs = rc_logp(t, lt) + kRelTol;
  int* v = t.v.data();
  const double* ln = lt.ln.data();
  double lp = lobs - kRelTol;
  auto step = [&]() {
    int i, i2, j, j2;
    rng.two(R, R - 1, i, i2);
    if (i2 >= i) ++i2;
    rng.two(C, C - 1, j, j2);
    if (j2 >= j) ++j2;
    int* a = v + i * C + j2;
    int* b = v + i2 * C + j;
    if (*a == 0 || *b == 0) return;
    int* x = v + i * C + j;
    int* y = v + i2 * C + j2;
    const double num = static_cast<double>(*a) * *b;
    const double den = static_cast<double>(*x + 1) * (*y + 1);
    if (num < den && rng.unit() * den >= num) return;
    const double delta = ln[*a] + ln[*b] - ln[*x + 1] - ln[*y + 1];
    --*a;
    --*b;
    ++*x;
    ++*y;
    lp += delta;
  };
  for (long s = 0; s < cs.dememorisation; ++s) step();
  BatchMean mp;
  for (long bt = 0; bt < cs.batches; ++bt) {
    lp = rc_logp(t, lt);
    long cp = 0;
    for (long s = 0; s < cs.iterations; ++s) {
      step();
      cp += lp <= lobs;
    }
    mp.add(cp / static_cast<double>(std::max(1L, cs.iterations)));
  }
  ExactResult r;
  r.method = ExactMethod::chain;
  r.p = mp.mean();
  r.se = mp.se();
  return r;
}

}  // namespace

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

  const LogTables lt(2 * t.n + 2);
  double lconst = lt.lf[static_cast<size_t>(t.n)] - lt.lf[static_cast<size_t>(2 * t.n)];
  for (int c : t.c) lconst += lt.lf[static_cast<size_t>(c)];
  HwEnum e(t, lt, enum_nodes, lconst, hw_logp(t, lt), hw_score(t));
  if (e.run(r)) return r;
  return hw_chain(t, lt, cs, key);
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
  const LogTables lt(t.n + 2);
  double lconst = -lt.lf[static_cast<size_t>(t.n)];
  for (int x : t.rs) lconst += lt.lf[static_cast<size_t>(x)];
  for (int x : t.cs) lconst += lt.lf[static_cast<size_t>(x)];
  if (t.r == 2) {
    TwoRow two(t, lt, enum_nodes / 20);
    if (two.run(lconst + rc_logp(t, lt), res)) return res;
  } else {
    RcEnum e(t, lt, enum_nodes, lconst, rc_logp(t, lt));
    if (e.run(res)) return res;
  }
  return rc_chain(t, lt, cs, key);
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
