#include "io/units.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tolm::io {

namespace {

// Temporary files not yet renamed, for the signal handler: fixed storage, so that the handler
// touches nothing but these bytes and unlink().
constexpr int kTemps = 64;
constexpr size_t kTempPath = 4096;
char temp_paths[kTemps][kTempPath];
volatile sig_atomic_t temp_used[kTemps];

extern "C" void remove_temps(int sig) {
  for (int i = 0; i < kTemps; ++i)
    if (temp_used[i]) ::unlink(temp_paths[i]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void remember_temp(const std::string& tmp) {
  static bool handled = false;
  if (!handled) {
    handled = true;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction old;
      // a handler someone else installed stays
      if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        ::signal(sig, remove_temps);
    }
  }
  if (tmp.size() >= kTempPath) return;
  for (int i = 0; i < kTemps; ++i)
    if (!temp_used[i]) {
      std::memcpy(temp_paths[i], tmp.c_str(), tmp.size() + 1);
      temp_used[i] = 1;
      return;
    }
}

}  // namespace

// The permissions are those of the file it replaces, else those a new file would get.
std::string open_temp_beside(const std::string& path, std::FILE*& f) {
  f = nullptr;
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string tmpl = dir + "." + base + ".tolm-XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return std::string();
  struct stat st;
  mode_t mode;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  f = ::fdopen(fd, "wb");
  if (!f) {
    int e = errno;
    ::close(fd);
    ::unlink(tmpl.c_str());
    errno = e;
    return std::string();
  }
  remember_temp(tmpl);
  return tmpl;
}

void temp_done(const std::string& tmp) {
  for (int i = 0; i < kTemps; ++i)
    if (temp_used[i] && tmp == temp_paths[i]) {
      temp_used[i] = 0;
      return;
    }
}

std::string os_reason(int code) {
  if (code <= 0 || code >= 5000) return std::string();
  return std::string(" (") + std::strerror(code) + ")";
}

bool path_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

Unit::~Unit() {
  drop_temp();  // an output never closed is not complete
  close();
  std::free(lbuf_);
}

void Unit::drop_temp() {
  if (tmp_.empty()) return;
  if (f_) std::fclose(f_);
  f_ = nullptr;
  ::unlink(tmp_.c_str());
  temp_done(tmp_);
  tmp_.clear();
  buf_.clear();
  state_ = State::closed;
}

int Unit::open_out(const std::string& path, OpenMode mode) {
  close();
  if (mode == OpenMode::fresh && path_exists(path)) return EEXIST;
  if (mode == OpenMode::old && !path_exists(path)) return ENOENT;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  errno = 0;
  std::FILE* f = nullptr;
  if (mode == OpenMode::append) {
    f = std::fopen(path.c_str(), "ab");
  } else {
    tmp_ = open_temp_beside(path, f);
  }
  if (!f) return errno ? errno : EIO;
  werr_ = 0;
  f_ = f;
  owned_ = true;
  kind_ = Kind::file;
  state_ = State::out;
  path_ = path;
  return 0;
}

void Unit::attach_out(std::FILE* f) {
  close();
  f_ = f;
  owned_ = false;
  kind_ = Kind::console;
  state_ = State::out;
}

void Unit::capture() {
  close();
  kind_ = Kind::capture;
  state_ = State::out;
}

void Unit::put_block(std::string_view s) {
  if (state_ != State::out) return;  // put() keeps captured output itself
  if (s.size() < kFlushAt || !f_) {
    buf_.append(s);
    if (buf_.size() >= kFlushAt) flush();
    return;
  }
  // A large block (the share of a locus combination analysed beside others) goes to the file as
  // it stands, after what the buffer holds, instead of being copied into the buffer first.
  flush();
  if (werr_ != 0) return;
  errno = 0;
  if (std::fwrite(s.data(), 1, s.size(), f_) != s.size() && kind_ == Kind::file)
    werr_ = errno ? errno : EIO;
}

void Unit::flush() {
  if (state_ != State::out || kind_ == Kind::capture || !f_) return;
  if (werr_ != 0) {  // the file is lost already: nothing more goes to it
    buf_.clear();
    return;
  }
  errno = 0;
  bool ok = buf_.empty() || std::fwrite(buf_.data(), 1, buf_.size(), f_) == buf_.size();
  buf_.clear();
  ok = std::fflush(f_) == 0 && ok;
  if (!ok && kind_ == Kind::file) werr_ = errno ? errno : EIO;
}

bool Unit::is_terminal() const {
  return state_ == State::out && kind_ == Kind::console && f_ && ::isatty(fileno(f_));
}

long Unit::position() const {
  if (state_ != State::in || kind_ == Kind::console) return -1;
  if (kind_ == Kind::text) return static_cast<long>(tpos_);
  if (kind_ == Kind::source) {  // as far into the bytes as the lines read are into the lines
    const long n = src_->lines();
    return n > 0 ? static_cast<long>(static_cast<double>(src_->bytes()) * spos_ / n) : 0;
  }
  return f_ ? std::ftell(f_) : -1;
}

long Unit::size() const {
  if (state_ != State::in || kind_ == Kind::console) return -1;
  if (kind_ == Kind::text) return static_cast<long>(text_.size());
  if (kind_ == Kind::source) return src_->bytes();
  struct stat st;
  if (!f_ || ::fstat(fileno(f_), &st) != 0) return -1;
  return static_cast<long>(st.st_size);
}

std::string Unit::take_captured() {
  std::string s;
  s.swap(cap_);
  cap_.reserve(s.size());  // the next share is most often about as long: no growing in steps
  return s;
}

int Unit::open_in(const std::string& path) {
  close();
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return errno ? errno : EIO;
  struct stat st;
  if (::fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(f);
    return EISDIR;
  }
  std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
  f_ = f;
  owned_ = true;
  kind_ = Kind::file;
  state_ = State::in;
  path_ = path;
  nread_ = 0;
  last_start_ = -1;
  return 0;
}

void Unit::attach_in(std::FILE* f) {
  close();
  f_ = f;
  owned_ = false;
  kind_ = Kind::console;
  state_ = State::in;
  nread_ = 0;
  last_start_ = -1;
}

void Unit::feed(std::string text) {
  close();
  text_ = std::move(text);
  tpos_ = 0;
  kind_ = Kind::text;
  state_ = State::in;
  nread_ = 0;
  last_start_ = -1;
}

void Unit::open_source(std::shared_ptr<const LineSource> src, const std::string& name) {
  close();
  src_ = std::move(src);
  spos_ = 0;
  kind_ = Kind::source;
  state_ = State::in;
  path_ = name;
  nread_ = 0;
  last_start_ = -1;
}

bool Unit::read_values(int* v, int n) {
  if (state_ != State::in || kind_ != Kind::source || (echo_ && tie_)) return false;
  if (spos_ >= src_->lines() || !src_->values(spos_, v, n)) return false;
  if (tie_) tie_->flush();
  last_start_ = spos_++;
  ++nread_;
  return true;
}

Rd Unit::read_line(std::string& s) {
  s.clear();
  if (state_ != State::in) return Rd::error;
  if (tie_) tie_->flush();
  Rd r = next_line(s);
  if (r == Rd::ok && echo_ && tie_) tie_->line(s);
  return r;
}

Rd Unit::next_line(std::string& s) {
  if (kind_ == Kind::text) {
    if (tpos_ >= text_.size()) return Rd::eof;
    last_start_ = static_cast<long>(tpos_);
    size_t e = text_.find('\n', tpos_);
    if (e == std::string::npos) {
      s.assign(text_, tpos_, std::string::npos);
      tpos_ = text_.size();
    } else {
      s.assign(text_, tpos_, e - tpos_);
      tpos_ = e + 1;
    }
  } else if (kind_ == Kind::source) {
    if (spos_ >= src_->lines()) return Rd::eof;
    last_start_ = spos_;
    src_->text(spos_++, s);
  } else {
    if (kind_ == Kind::file) last_start_ = std::ftell(f_);
    errno = 0;
    ssize_t n = ::getline(&lbuf_, &lcap_, f_);
    if (n < 0) {
      if (std::ferror(f_)) {
        std::clearerr(f_);
        return Rd::error;
      }
      return Rd::eof;
    }
    if (n > 0 && lbuf_[n - 1] == '\n') --n;
    s.assign(lbuf_, static_cast<size_t>(n));
  }
  if (!s.empty() && s.back() == '\r') s.pop_back();
  ++nread_;
  return Rd::ok;
}

bool Unit::backspace() {
  if (state_ != State::in || last_start_ < 0) return false;
  if (kind_ == Kind::text) {
    tpos_ = static_cast<size_t>(last_start_);
  } else if (kind_ == Kind::source) {
    spos_ = last_start_;
  } else if (kind_ == Kind::file) {
    if (std::fseek(f_, last_start_, SEEK_SET) != 0) return false;
  } else {
    return false;
  }
  last_start_ = -1;
  --nread_;
  return true;
}

bool Unit::rewind() {
  if (state_ != State::in) return false;
  last_start_ = -1;
  nread_ = 0;
  if (kind_ == Kind::text) {
    tpos_ = 0;
    return true;
  }
  if (kind_ == Kind::source) {
    spos_ = 0;
    return true;
  }
  if (kind_ != Kind::file) return false;
  std::clearerr(f_);
  return std::fseek(f_, 0, SEEK_SET) == 0;
}

int Unit::commit() {
  if (state_ != State::out || tmp_.empty()) return 0;
  flush();
  int rc = werr_;
  if (rc == 0 && std::rename(tmp_.c_str(), path_.c_str()) != 0) rc = errno ? errno : EIO;
  if (rc != 0) {
    werr_ = rc;
    return close();
  }
  temp_done(tmp_);
  tmp_.clear();
  return 0;
}

int Unit::close() {
  int rc = 0;
  if (state_ == State::out) flush();
  if (f_ && owned_) {
    errno = 0;
    if (std::fclose(f_) != 0) rc = errno ? errno : EIO;
  }
  if (werr_ != 0) rc = werr_;
  if (!tmp_.empty()) {
    if (rc == 0 && std::rename(tmp_.c_str(), path_.c_str()) != 0) rc = errno ? errno : EIO;
    if (rc != 0) ::unlink(tmp_.c_str());
    temp_done(tmp_);
    tmp_.clear();
  }
  werr_ = 0;
  f_ = nullptr;
  owned_ = false;
  state_ = State::closed;
  buf_.clear();
  text_.clear();
  tpos_ = 0;
  src_.reset();
  spos_ = 0;
  return rc;
}

void Units::flush_all() {
  for (auto& [ch, u] : units_) u.flush();
}

}  // namespace tolm::io
