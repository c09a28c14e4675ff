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

void Scratch::share(int ch, const Scratch& from) {
  if (!valid(ch)) return;
  open_[ch - kFirst] = from.open_[ch - kFirst];
  view_[ch - kFirst] = from.view_[ch - kFirst];
  if (ch == 23) pairs_view_ = from.pairs_view_;
}

void Scratch::clear(int ch) {
  if (ch == 23) {
    std::vector<int32_t>().swap(pairs_);
    pairs_view_ = &pairs_;
  }
  data_[ch - kFirst] = Paged();
  view_[ch - kFirst] = &data_[ch - kFirst];
}

uint32_t Scratch::Paged::new_page() {
  if ((made >> kBlockBits) == blocks.size())
    blocks.emplace_back(new int32_t[std::size_t{1} << (kBlockBits + kPageBits)]());
  return ++made;
}

}  // namespace tolm::io
