// What a running program holds: its GDI and USER objects and its loaded DLLs.

// The driver's header first: it brings windows.h, which the other platform headers need.
#include "bench/driver.h"
//
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace bench {
namespace {

// Wine's GetGuiResources counts nothing, but its GDI keeps the same per-process handle
// table as Windows, shared with the process's memory: a live entry has a nonzero type.
struct GdiTableEntry {
  std::uint64_t object;
  std::uint16_t ownerPid;
  std::uint16_t count;
  std::uint16_t unique;
  std::uint8_t type;
  std::uint8_t flags;
  std::uint64_t user;
};
static_assert(sizeof(GdiTableEntry) == 24);
constexpr std::size_t kGdiTableEntries = 0x10000;
constexpr std::size_t kPebGdiTableOffset = 0xF8;

long long GdiTableCount(HANDLE process, std::array<long long, 256>* byType) {
  PROCESS_BASIC_INFORMATION basic{};
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0) {
    return -1;
  }
  std::uint64_t table = 0;
  const auto* peb = reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress);
  if (!::ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, nullptr) ||
      table == 0) {
    return -1;
  }
  std::vector<GdiTableEntry> entries(kGdiTableEntries);
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiTableEntry), nullptr)) {
    return -1;
  }
  long long live = 0;
  for (const GdiTableEntry& e : entries) {
    live += e.type != 0 ? 1 : 0;
    if (byType) ++(*byType)[e.type];
  }
  return live;
}

// Every window of the process: top-level ones with their descendants, and message-only ones.
long long WindowCount(DWORD pid) {
  struct Count {
    DWORD pid;
    long long windows;
  } count{pid, 0};
  const auto addTree = [](HWND h, Count& c) {
    if (OwnerPid(h) != c.pid) return;
    ++c.windows;
    ::EnumChildWindows(
        h,
        [](HWND, LPARAM p) -> BOOL {
          ++reinterpret_cast<Count*>(p)->windows;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&c));
  };
  std::vector<HWND> tops;
  ::EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tops));
  HWND h = nullptr;
  while ((h = ::FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr)) != nullptr) tops.push_back(h);
  for (HWND top : tops) addTree(top, count);
  return count.windows;
}
std::string Utf8(std::wstring_view text) {
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(needed, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
  return out;
}

}  // namespace

int CmdObjects(DWORD pid) {
  Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return Failure("cannot open the process", kFail);
  long long gdi = ::GetGuiResources(process.get(), GR_GDIOBJECTS);
  long long user = ::GetGuiResources(process.get(), GR_USEROBJECTS);
  // A process with a window has GDI objects: zero means the call is not implemented.
  const bool counted = gdi != 0;
  std::array<long long, 256> byType{};
  if (!counted) gdi = GdiTableCount(process.get(), &byType);
  // By kind, Wine's type numbers: 1 DC, 4 region, 5 surface, 8 palette, 9 bitmap, 10 font,
  // 16 brush, 48 pen, 65 memory DC.
  std::string kinds;
  for (std::size_t t = 1; t < byType.size(); ++t) {
    if (byType[t] == 0) continue;
    kinds += (kinds.empty() ? "\"" : ",\"") + std::to_string(t) + "\":" + std::to_string(byType[t]);
  }
  const long long windows = WindowCount(pid);
  DWORD handles = 0;
  if (!::GetProcessHandleCount(process.get(), &handles)) handles = 0;
  PrintLine("{" + Field("gdi", gdi) + "," +
            FieldText("gdi_source", counted ? "GetGuiResources" : "handle table") + "," +
            Field("gdi_kinds", "{" + kinds + "}") + "," + Field("user", counted ? user : -1) + "," +
            Field("windows", windows) + "," +
            Field("kernel_handles", static_cast<long long>(handles)) + "}");
  return gdi < 0 ? kFail : kOk;
}

int CmdModules(DWORD pid) {
  Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return Failure("cannot open the process", kFail);
  std::vector<HMODULE> modules(64);
  for (;;) {
    const auto bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    DWORD needed = 0;
    if (!::EnumProcessModulesEx(process.get(), modules.data(), bytes, &needed, LIST_MODULES_ALL)) {
      return Failure("cannot list the modules", kFail);
    }
    const bool complete = needed <= bytes;
    modules.resize(needed / sizeof(HMODULE));
    if (complete) break;
  }
  std::string list;
  for (HMODULE module : modules) {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = ::GetModuleFileNameExW(process.get(), module, path, MAX_PATH * 2);
    if (length == 0) continue;
    list += (list.empty() ? "" : ",") + Quoted(Utf8(std::wstring_view(path, length)));
  }
  PrintLine("{" + Field("modules", "[" + list + "]") + "}");
  return kOk;
}

}  // namespace bench
