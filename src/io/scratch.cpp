#include "io/scratch.h"

#include <cerrno>

namespace tolm::io {

int Scratch::open(int ch) {
  if (!valid(ch)) return EBADF;
  open_[ch - kFirst] = true;
  clear(ch);
  return 0;
}

int Scratch::close(int ch) {
  if (!valid(ch)) return EBADF;
  open_[ch - kFirst] = false;
  clear(ch);
  return 0;
}

void Scratch::clear(int ch) {
  if (ch == 23) std::vector<int32_t>().swap(pairs_);
  std::vector<int32_t>().swap(data_[ch - kFirst]);
}

}  // namespace tolm::io
