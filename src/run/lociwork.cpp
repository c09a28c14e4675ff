#include "run/lociwork.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/frqpar.h"
#include "analysis/parsub.h"

namespace tolm {

namespace {

// What one combination wrote and changed, waiting for its turn.
struct Share {
  bool done = false;
  std::string con, out, tab, rows_text;
  std::vector<LongRow> rows;
  std::vector<PoolStep> steps;
  ExactRecords exact;
  int output_failures = 0, snail_failures = 0;
  std::exception_ptr error;
};

// The combinations 1..last handed to the workers in order. A worker waits while it would run
// too far ahead of the combination whose turn it is (`ahead` combinations, or `kPending` bytes of
// output waiting), except for that combination itself; it is woken only when half the room is
// free again, so that the threads do not wake one another for every combination.
class Queue {
 public:
  static constexpr size_t kPending = size_t{64} << 20;

  Queue(int last, int ahead) : last_(last), ahead_(ahead), shares_(static_cast<size_t>(last) + 1) {}

  // The next combination for a worker, 0 when there is none (all handed out, or stopped).
  int next() {
    std::unique_lock<std::mutex> l(m_);
    ++idle_;
    work_.wait(l, [&] { return stopped_ || next_ > last_ || room(ahead_, kPending); });
    --idle_;
    if (stopped_ || next_ > last_) return 0;
    return next_++;
  }
  void finish(int kc, Share s) {
    const std::lock_guard<std::mutex> l(m_);
    s.done = true;
    if (s.error) last_ = std::min(last_, kc);  // nothing after a stop is started
    pending_ += size(s);
    shares_[static_cast<size_t>(kc)] = std::move(s);
    if (kc == turn_) done_.notify_one();
  }
  // Waits for combination kc, whose turn it is now, and takes its share.
  Share take(int kc) {
    std::unique_lock<std::mutex> l(m_);
    turn_ = kc;
    if (idle_ > 0 && room(ahead_ / 2, kPending / 2)) work_.notify_all();
    Share& s = shares_[static_cast<size_t>(kc)];
    done_.wait(l, [&] { return s.done; });
    pending_ -= size(s);
    return std::move(s);
  }
  void stop() {
    {
      const std::lock_guard<std::mutex> l(m_);
      stopped_ = true;
    }
    work_.notify_all();
  }

 private:
  static size_t size(const Share& s) {
    return s.con.size() + s.out.size() + s.tab.size() + s.rows_text.size();
  }
  bool room(int ahead, size_t bytes) const {
    return next_ <= turn_ || (next_ <= turn_ + ahead && pending_ <= bytes);
  }
  std::mutex m_;
  std::condition_variable work_, done_;
  int last_, ahead_;
  int next_ = 1, turn_ = 1, idle_ = 0;
  size_t pending_ = 0;
  bool stopped_ = false;
  std::vector<Share> shares_;
};

// A worker's run state: what the analyses read of the run's, with its outputs in memory and
// its counts read from the run's scratch store.
std::unique_ptr<RunState> worker_state(RunState& rs) {
  auto ws = std::make_unique<RunState>();
  ws->param = rs.param;
  ws->names = rs.names;
  ws->wd = rs.wd;
  ws->sel = rs.sel;
  ws->opt = rs.opt;
  ws->opt.threads = 1;  // the tests of one combination stay on its worker's thread
  ws->input_format = rs.input_format;
  ws->input_file = rs.input_file;
  ws->msgbox = rs.msgbox;
  for (int c : {ch::console, ch::results, ch::tabular})
    if (rs.u(c).is_output()) ws->u(c).capture();
  for (int c = ch::first_scratch; c <= ch::last_scratch; ++c) {
    if (c == ch::even) {
      if (rs.scratch.is_open(c)) ws->scratch.open(c);
    } else {
      ws->scratch.share(c, rs.scratch);
    }
  }
  ws->longtab.keep = rs.longtab.keep;
  if (rs.longtab.is_open()) ws->longtab.capture();
  return ws;
}

void work(RunState& ws, Work& w, const Param& start, Queue& q) {
  for (int kc = q.next(); kc != 0; kc = q.next()) {
    Share s;
    ws.param = start;
    ws.param.kc = kc;
    ws.pool_steps = &s.steps;
    try {
      frqpar(ws, w);
    } catch (...) {
      s.error = std::current_exception();
    }
    s.con = ws.con().take_captured();
    if (ws.param.iunit != ch::console) s.out = ws.out().take_captured();
    s.tab = ws.u(ch::tabular).take_captured();
    s.rows_text = ws.longtab.take_captured();
    s.rows.swap(ws.longtab.rows);
    s.exact.swap(ws.exact_kept);
    s.output_failures = std::exchange(ws.output_failures, 0);
    s.snail_failures = std::exchange(ws.snail_failures, 0);
    ws.pool_steps = nullptr;
    q.finish(kc, std::move(s));
  }
}

// The workers of one call; stopped and joined however the caller leaves.
struct Crew {
  Queue& q;
  std::vector<std::thread> threads;
  ~Crew() {
    q.stop();
    for (std::thread& t : threads) t.join();
  }
};

void hand_over(RunState& rs, Work& w, Share& s) {
  rs.con().put(s.con);
  if (rs.param.iunit != ch::console) rs.out().put(s.out);
  if (rs.u(ch::tabular).is_output()) rs.u(ch::tabular).put(s.tab);
  rs.longtab.put_rows(s.rows_text);
  if (rs.longtab.keep)
    rs.longtab.rows.insert(rs.longtab.rows.end(), std::make_move_iterator(s.rows.begin()),
                           std::make_move_iterator(s.rows.end()));
  for (const PoolStep& p : s.steps) apply_pool_step(rs.param, w, p);
  rs.exact_kept.insert(rs.exact_kept.end(), s.exact.begin(), s.exact.end());
  rs.output_failures += s.output_failures;
  rs.snail_failures += s.snail_failures;
}

}  // namespace

bool loci_in_parallel(const RunState& rs, const Work& w) {
  const int nt = run_threads(rs.opt);
  if (nt <= 1 || rs.param.nc < 2 || rs.opt.bootstrap_individuals) return false;
  const double mem = physical_memory();
  return mem <= 0 || std::min(nt, rs.param.nc - 1) * w.bytes() <= mem / 4;
}

void analyse_loci(RunState& rs, Work& w, const std::function<void(int)>& progress) {
  const int nc = rs.param.nc;
  if (!loci_in_parallel(rs, w)) {
    for (int kc = 1; kc <= nc; ++kc) {
      rs.param.kc = kc;
      progress(kc);
      frqpar(rs, w);
    }
    return;
  }
  const int nt = std::min(run_threads(rs.opt), nc - 1);
  Queue q(nc - 1, 64);
  {
    // Each worker's state and work arrays are made here, before any worker starts.
    std::vector<std::unique_ptr<RunState>> states;
    std::vector<std::unique_ptr<Work>> arrays;
    for (int t = 0; t < nt; ++t) {
      states.push_back(worker_state(rs));
      arrays.push_back(std::make_unique<Work>(w));
    }
    const Param start = rs.param;
    Crew crew{q, {}};
    for (int t = 0; t < nt; ++t)
      crew.threads.emplace_back(work, std::ref(*states[static_cast<size_t>(t)]),
                                std::ref(*arrays[static_cast<size_t>(t)]), std::cref(start),
                                std::ref(q));
    for (int kc = 1; kc < nc; ++kc) {
      Share s = q.take(kc);
      progress(kc);
      hand_over(rs, w, s);
      if (s.error) std::rethrow_exception(s.error);
    }
  }
  rs.param.kc = nc;
  progress(nc);
  frqpar(rs, w);
}

}  // namespace tolm
