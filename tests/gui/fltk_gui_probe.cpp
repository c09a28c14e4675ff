// A small program that runs the widget-mode dialogs in real FLTK windows, for the test that
// drives them under a virtual display with simulated key presses.
//
//   fltk_gui_probe [SHOTDIR]
//
// Shows the file dialog, the first dialog, the menu (30 loci, 15 demes), the snail dialog and a
// closing message box, then prints what the dialogs left in the record `wd`, one "name=value"
// a line. With SHOTDIR, every window is also saved there as a PNG picture once it has been
// shown for a moment (for the README).
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "graphics/wdmenu.h"
#include "plotlayer/widget.h"
#include "core/runstate.h"
#include "run/tolm.h"

namespace {

std::string shotdir;
std::set<std::string> shot;

void put32(std::string& s, unsigned v) {
  for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}

void chunk(std::FILE* f, const char* type, const std::string& data) {
  std::string c(type, 4);
  c += data;
  std::string len;
  put32(len, static_cast<unsigned>(data.size()));
  std::string crc;
  put32(crc, static_cast<unsigned>(
                 crc32(0, reinterpret_cast<const Bytef*>(c.data()), static_cast<uInt>(c.size()))));
  std::fwrite(len.data(), 1, 4, f);
  std::fwrite(c.data(), 1, c.size(), f);
  std::fwrite(crc.data(), 1, 4, f);
}

// An RGB picture as a PNG file: signature, header, one compressed data chunk, end.
void write_png(const std::string& path, const unsigned char* rgb, int w, int h) {
  std::string raw;
  for (int y = 0; y < h; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(rgb + 3 * w * y), static_cast<size_t>(3 * w));
  }
  uLongf n = compressBound(raw.size());
  std::vector<Bytef> z(n);
  compress(z.data(), &n, reinterpret_cast<const Bytef*>(raw.data()), raw.size());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite("\x89PNG\r\n\x1a\n", 1, 8, f);
  std::string ihdr;
  put32(ihdr, static_cast<unsigned>(w));
  put32(ihdr, static_cast<unsigned>(h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  chunk(f, "IHDR", ihdr);
  chunk(f, "IDAT", std::string(reinterpret_cast<char*>(z.data()), n));
  chunk(f, "IEND", "");
  std::fclose(f);
}

// Saves each window once, the first time it is seen after it has been drawn.
void snapshot(void*) {
  for (Fl_Window* win = Fl::first_window(); win; win = Fl::next_window(win)) {
    std::string title = win->label() ? win->label() : "window";
    if (!win->visible() || shot.count(title)) continue;
    if (!shot.insert(title + "#seen").second) {
      std::string name;
      for (char c : title) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      win->make_current();
      unsigned char* px = fl_read_image(nullptr, 0, 0, win->w(), win->h());
      if (px) write_png(shotdir + "/" + name + ".png", px, win->w(), win->h());
      delete[] px;
      shot.insert(title);
    }
  }
  Fl::repeat_timeout(0.4, snapshot);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tolm;
  if (argc > 1) {
    shotdir = argv[1];
    Fl::add_timeout(0.4, snapshot);
  }
  if (!widgets_available()) {
    std::printf("no display\n");
    return 2;
  }
  RunState rs;
  std::string file = dwgfil("Select input file", "", "*");
  std::printf("file=%s\n", file.c_str());
  std::string path;
  split_name(file, path, rs.wd.prefix);
  wdfirst(rs, file);
  rs.wd.ifrqstr(3) = 1;
  rs.wd.iprog(2) = 1;
  rs.wd.iprog(6) = 1;
  wdmenu(rs, 30, 15, 0, 1);
  wdsnail(rs);
  swgtit("TOLM - Output files");
  dwgmsg("Complete output --> " + rs.wd.prefix + "-out.txt");
  const Wd& wd = rs.wd;
  std::printf("prefix=%s\nlocsimu=%d\naloclist=%s\nademlist=%s\n", wd.prefix.c_str(), wd.locsimu,
              wd.aloclist.c_str(), wd.ademlist.c_str());
  std::printf("ifrqstr=");
  for (int i = 1; i <= 4; ++i) std::printf("%d", wd.ifrqstr(i));
  std::printf("\niprog=");
  for (int i = 1; i <= 10; ++i) std::printf("%d", wd.iprog(i));
  std::printf("\nieve=%d%d\nsnail=%d%d%d%d\n", wd.ievefin, wd.ieveinf, wd.iwdspdfin, wd.iwdspdinf,
              wd.iwdwmf, wd.iwdeps);
  return 0;
}
