#include <cstdio>

#include "bench/driver.h"

namespace bench {

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerMs;
}

void PrintLine(const std::string& json) {
  std::fwrite(json.data(), 1, json.size(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

std::string Field(std::string_view key, const std::string& value) {
  return "\"" + std::string(key) + "\":" + value;
}
std::string Field(std::string_view key, long long value) {
  return Field(key, std::to_string(value));
}
std::string FieldMs(std::string_view key, double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms);
  return Field(key, std::string(text));
}
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}
std::string FieldText(std::string_view key, std::string_view value) {
  return Field(key, Quoted(value));
}

int Failure(std::string_view what, int code, long long cycle, std::string_view step) {
  PrintLine("{" + FieldText("error", what) + "," + Field("code", code) + "," +
            Field("cycle", cycle) + "," + FieldText("step", step) + "}");
  return code;
}

DWORD OwnerPid(HWND hwnd) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

HWND FindOwned(const wchar_t* cls, const wchar_t* title, DWORD pid) {
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
    if (OwnerPid(h) == pid) return h;
  }
  return nullptr;
}

HWND FindVisibleOwned(const wchar_t* cls, const wchar_t* title, DWORD pid) {
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
    if (OwnerPid(h) == pid && ::IsWindowVisible(h)) return h;
  }
  return nullptr;
}

HWND ChildWithText(HWND parent, std::wstring_view text) {
  struct Search {
    std::wstring_view text;
    HWND found;
  } search{text, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t buffer[64];
        const int n = ::GetWindowTextW(h, buffer, 64);
        if (n > 0 && std::wstring_view(buffer, static_cast<std::size_t>(n)) == s->text) {
          s->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
}  // namespace bench
