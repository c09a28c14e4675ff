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
//
// An output file opened afresh ("new", "old", "unknown") is written under a temporary name in
// its own directory and takes its name only when close() finds every byte written: a run that
// stops half-way never leaves a file that looks complete, and an earlier file of that name stays
// as it was until the new one replaces it whole. A unit destroyed without close() (an error
// stop) removes its temporary file. Appending writes the file in place. After the first write
// that fails (a full disk) the unit drops further output and close() returns the errno.
//
// An input unit may also read the lines of a `LineSource` held in memory (an input file converted
// from another format, never written out): it gives the same lines as the file would, and the
// values of a record of plain integers without making its text (read_values).
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace tolm::io {

enum class Rd { ok, eof, error };

// What made a record unreadable: the value (1-based, in the order the record gives them), the
// text it held and what is wrong with it ("is not an integer").
struct ReadFault {
  int field = 0;
  std::string text;
  std::string why;
};

// " (No such file or directory)" for a status code of the operating system (an errno value),
// empty for the program's own codes (5010, -1).
std::string os_reason(int code);

// How an output file is opened: status "new" (must not exist), "old" (must exist, written
// from its beginning), "unknown" (created or truncated), or appended to.
enum class OpenMode { fresh, old, unknown, append };

// The lines of an input held in memory, numbered from 0. A source is read by one unit at a time,
// line after line from the start or from a line read before (rewind, backspace).
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual long lines() const = 0;
  // The text of line i (0 <= i < lines()), without its line end.
  virtual void text(long i, std::string& s) const = 0;
  // The first n values of line i, when the source holds that line as a record of at least n
  // integers (its text, read as free format, gives the same n values); false otherwise: the
  // line is then read as text.
  virtual bool values(long i, int* v, int n) const = 0;
  // The bytes of the text, line ends included (for the progress of a long reading).
  virtual long bytes() const = 0;
};

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
  // Output gathers in a buffer written in blocks of about kFlushAt bytes (a capture unit keeps
  // all of it); the common case, a short piece with room for it, is handled here.
  static constexpr size_t kFlushAt = 1 << 16;
  void put(std::string_view s) {
    if (state_ == State::out) {
      if (kind_ == Kind::capture) {
        cap_.append(s.data(), s.size());
        return;
      }
      if (buf_.size() + s.size() < kFlushAt) {
        buf_.append(s.data(), s.size());
        return;
      }
    }
    put_block(s);
  }
  void put(char c) {
    if (state_ == State::out && kind_ != Kind::capture && buf_.size() + 1 < kFlushAt)
      buf_.push_back(c);
    else
      put(std::string_view(&c, 1));
  }
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
  // Input from lines held in memory; `name` stands for the file in messages (path()).
  void open_source(std::shared_ptr<const LineSource> src, const std::string& name);
  Rd read_line(std::string& s);  // next line without its line end
  // The next line as the first n values of a record of plain integers, when the unit holds them
  // without text (a `LineSource`): true, and the line counts as read (backspace returns to it).
  // False, nothing read, for any other line or unit: read_line then gives the line.
  bool read_values(int* v, int n);
  bool backspace();  // the line last read is read again
  bool rewind();
  long line_number() const { return nread_; }  // lines read since open or rewind
  // Answers: `out` is flushed before every read; with echo, each line read is also written to
  // `out` (so that answers from a batch file stand after their questions on the console).
  void tie(Unit* out, bool echo) {
    tie_ = out;
    echo_ = echo;
  }

  int close();  // 0 or errno; a closed unit closes without failure
  // A file written afresh takes its name now (what it holds is complete, as at close) and the
  // unit goes on writing it in place, as an appended file: for a later pass that continues
  // the same file. 0 or errno (after a failure the unit is closed as by close()).
  int commit();
  int write_error() const { return werr_; }  // errno of the first failed write, else 0
  // The console is a terminal (for progress lines that are redrawn in place).
  bool is_terminal() const;
  long position() const;  // byte offset of an input file (-1 when unknown)
  long size() const;      // byte size of an input file (-1 when unknown)
  bool is_open() const { return state_ != State::closed; }
  bool is_output() const { return state_ == State::out; }
  const std::string& path() const { return path_; }

 private:
  Rd next_line(std::string& s);
  enum class State { closed, out, in };
  enum class Kind { file, console, capture, text, source };
  // put() of what does not go into the buffer as it stands: a full buffer, a large block.
  void put_block(std::string_view s);
  State state_ = State::closed;
  Kind kind_ = Kind::file;
  std::FILE* f_ = nullptr;
  bool owned_ = false;
  void drop_temp();
  std::string path_;
  std::string tmp_;  // temporary name of a file written afresh, until close()
  int werr_ = 0;
  std::string buf_;                        // pending output
  std::string cap_;                        // captured output
  std::string text_;                       // input text of a fed unit
  size_t tpos_ = 0;                        // read position in text_
  std::shared_ptr<const LineSource> src_;  // the lines of a source unit
  long spos_ = 0;                          // the next line of src_
  long last_start_ = -1;                   // where the line last read began (for backspace)
  long nread_ = 0;
  char* lbuf_ = nullptr;  // getline buffer
  Unit* tie_ = nullptr;
  bool echo_ = false;
  size_t lcap_ = 0;
};

// Creates a new file beside `path` under a temporary name (".<name>.tolm-XXXXXX", with the
// permissions the file `path` would get) and opens it for writing; returns that name, or ""
// with errno set.
// A signal that ends the program (interrupt, termination, hang-up) removes the temporary files
// still open; temp_done() says that one was renamed or removed.
std::string open_temp_beside(const std::string& path, std::FILE*& f);
void temp_done(const std::string& tmp);

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
