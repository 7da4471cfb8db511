// rn_bench_driver: starts, watches, drives and ends the programs that scripts/bench compares,
// from outside, as another Windows program would. Prints one JSON object per line.
//
//   start <exe> floor|floor-plus|gadget <timeout_ms>   starts the program and returns once it is up
//   objects <pid>                           its GDI and USER object counts
//   modules <pid>                           the DLLs it has loaded, each with its full path
//   cycles <pid> <count> <timeout_ms>       panel open/close, menu open/cancel and settings
//                                           dialog open/OK, <count> times each
//   stop <pid> floor|floor-plus|gadget <timeout_ms>    ends it as its user would
//
// Exit codes: 0 done, 2 timed out, 3 bad arguments or a failing call.
#include "bench/driver.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>

namespace {

using namespace bench;

bool ParseKind(std::wstring_view text, Kind& kind) {
  if (text == L"floor")
    kind = Kind::Floor;
  else if (text == L"floor-plus")
    kind = Kind::FloorPlus;
  else if (text == L"gadget")
    kind = Kind::Gadget;
  else
    return false;
  return true;
}

bool ParseNumber(const wchar_t* text, unsigned long& value) {
  wchar_t* end = nullptr;
  value = std::wcstoul(text, &end, 10);
  return end != text && *end == 0;
}

int Usage() {
  std::fputs(
      "usage: rn_bench_driver start <exe> floor|floor-plus|gadget <timeout_ms>\n"
      "       | objects <pid> | modules <pid> | cycles <pid> <count> <timeout_ms>\n"
      "       | stop <pid> floor|floor-plus|gadget <timeout_ms>\n",
      stderr);
  return kFail;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 3) return Usage();
  const std::wstring_view command = argv[1];
  unsigned long pid = 0, count = 0, timeout = 0;
  Kind kind{};
  if (command == L"start" && argc == 5 && ParseKind(argv[3], kind) && ParseNumber(argv[4], timeout))
    return CmdStart(argv[2], kind, timeout);
  if (command == L"objects" && argc == 3 && ParseNumber(argv[2], pid)) return CmdObjects(pid);
  if (command == L"modules" && argc == 3 && ParseNumber(argv[2], pid)) return CmdModules(pid);
  if (command == L"cycles" && argc == 5 && ParseNumber(argv[2], pid) &&
      ParseNumber(argv[3], count) && ParseNumber(argv[4], timeout))
    return CmdCycles(pid, count, timeout);
  if (command == L"stop" && argc == 5 && ParseNumber(argv[2], pid) && ParseKind(argv[3], kind) &&
      ParseNumber(argv[4], timeout))
    return CmdStop(pid, kind, timeout);
  return Usage();
}
