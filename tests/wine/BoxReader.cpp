// Win32 only: reads back the message box that a launcher shows, for the
// end-to-end cases under Wine (Wine's own message-box trace cuts long texts).
//
// usage: boxreader.exe OUTPUT [SECONDS]
// Waits up to SECONDS (default 60) for a visible top-level dialog window
// (class "#32770"), writes to OUTPUT
//   caption=<the window's text>
//   text=<the text of its static control 0xFFFF; CR and LF written as \r \n>
//   button=<the text of each button, one line each>
// and closes the box with IDOK. Exits 0 when a box was read, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int MessageTextId = 0xFFFF;
constexpr DWORD PollMilliseconds = 100;
constexpr DWORD MessageTimeoutMilliseconds = 5000;

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMilliseconds, &length)) {
    return std::string();
  }
  std::vector<char> text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                      MessageTimeoutMilliseconds, &copied);
  return std::string(text.data(), copied);
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

BOOL CALLBACK CollectButtons(HWND child, LPARAM buttons) {
  if (ClassOf(child) == "Button") reinterpret_cast<std::vector<std::string>*>(buttons)->push_back(WindowText(child));
  return TRUE;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const DWORD limit = static_cast<DWORD>((argc > 2 ? std::atoi(argv[2]) : 60) * 1000);
  HWND box = nullptr;
  for (DWORD waited = 0; box == nullptr && waited < limit; waited += PollMilliseconds) {
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) Sleep(PollMilliseconds);
  }
  if (box == nullptr) return 1;

  HWND message = GetDlgItem(box, MessageTextId);
  std::vector<std::string> buttons;
  EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&buttons));

  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 2;
  std::fprintf(out, "caption=%s\n", Escaped(WindowText(box)).c_str());
  std::fprintf(out, "text=%s\n", message != nullptr ? Escaped(WindowText(message)).c_str() : "");
  for (const std::string& button : buttons) std::fprintf(out, "button=%s\n", button.c_str());
  std::fclose(out);

  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return 0;
}
