#pragma once
// The console a command-line program of this system writes to. Its text is UTF-8,
// as natively; while an object of this class lives, the console shows it as such
// (its output code page is UTF-8), and afterwards it gets its own code page back
// for the programs that run in it next.
namespace os::win32 {

class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  unsigned previous_;  // 0: no console
};

}  // namespace os::win32
