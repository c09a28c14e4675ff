// Units: the numbered text channels of a run.
//
//   1  configuration file      5  standard input or the batch file   6  the console
//   8  results file           10  input file                        29  tabular output file
//  44  help text of the widget menu
//
// A unit is either closed, open for output (a file, the console, or a capture buffer for the
// tests) or open for input (a file, standard input, or a text given by a test). Output is
// buffered and never flushed per line; the console is flushed before an answer is read from
// unit 5. Input is read line by line as a stream: rewind and stepping back one line are
// supported, the file is never held in memory whole. Lines lose their line end ("\n" or
// "\r\n"). Status codes of failed operations are errno values.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace tolm::io {

enum class Rd { ok, eof, error };

// How an output file is opened: status "new" (must not exist), "old" (must exist, written
// from its beginning), "unknown" (created or truncated), or appended to.
enum class OpenMode { fresh, old, unknown, append };

class Unit {
 public:
  Unit() = default;
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
  ~Unit();

  // --- output ---
  int open_out(const std::string& path, OpenMode mode);  // 0 or errno
  void attach_out(std::FILE* f);                         // the console; not closed by close()
  void capture();                                        // collect output in memory (tests)
  void put(std::string_view s);
  void put(char c) { put(std::string_view(&c, 1)); }
  void nl() { put('\n'); }
  void line(std::string_view s) {
    put(s);
    nl();
  }
  void flush();
  std::string take_captured();  // what a capture unit collected since the last call

  // --- input ---
  int open_in(const std::string& path);  // 0 or errno
  void attach_in(std::FILE* f);          // standard input; not closed by close()
  void feed(std::string text);           // input from a text (tests)
  Rd read_line(std::string& s);          // next line without its line end
  bool backspace();                      // the line last read is read again
  bool rewind();
  long line_number() const { return nread_; }  // lines read since open or rewind
  // Answers: `out` is flushed before every read; with echo, each line read is also written to
  // `out` (so that answers from a batch file stand after their questions on the console).
  void tie(Unit* out, bool echo) {
    tie_ = out;
    echo_ = echo;
  }

  int close();  // 0 or errno; a closed unit closes without failure
  bool is_open() const { return state_ != State::closed; }
  bool is_output() const { return state_ == State::out; }
  const std::string& path() const { return path_; }

 private:
  Rd next_line(std::string& s);
  enum class State { closed, out, in };
  enum class Kind { file, console, capture, text };
  State state_ = State::closed;
  Kind kind_ = Kind::file;
  std::FILE* f_ = nullptr;
  bool owned_ = false;
  std::string path_;
  std::string buf_;       // pending output
  std::string cap_;       // captured output
  std::string text_;      // input text of a fed unit
  size_t tpos_ = 0;       // read position in text_
  long last_start_ = -1;  // where the line last read began (for backspace)
  long nread_ = 0;
  char* lbuf_ = nullptr;  // getline buffer
  Unit* tie_ = nullptr;
  bool echo_ = false;
  size_t lcap_ = 0;
};

// True when `path` names something in the file system (a file or a directory).
bool path_exists(const std::string& path);
// True when `path` names something that is not a directory.
bool file_exists(const std::string& path);

class Units {
 public:
  Unit& operator[](int ch) { return units_[ch]; }
  void flush_all();

 private:
  std::map<int, Unit> units_;
};

}  // namespace tolm::io
