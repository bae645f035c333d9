#include "tests/cli/run_program.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "host/plugin_loader.h"
#include "cli/utf.h"

namespace namefold::testing {
namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string units = cli::FromUtf8(utf8);
  return {units.begin(), units.end()};
}

// One argument quoted as the C runtime splits a command line.
std::wstring Quote(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

HANDLE Capture(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  file.close();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return bytes;
}

}  // namespace

std::filesystem::path BuiltProgram() {
  return host::ExecutablePath().parent_path().parent_path() / "out" / "namefold.exe";
}

ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments, const std::string& input) {
  ProgramResult result;
  std::wstring command = Quote(program.wstring());
  for (const std::string& argument : arguments) command += L" " + Quote(Wide(argument));
  const std::filesystem::path base = std::filesystem::temp_directory_path() /
                                     ("namefold-run-" + std::to_string(GetCurrentProcessId()));
  const std::filesystem::path out_path = base.string() + ".out", err_path = base.string() + ".err";
  const std::filesystem::path in_path = base.string() + ".in";
  std::ofstream(in_path, std::ios::binary) << input;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE in = CreateFileW(in_path.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = Capture(out_path), err = Capture(err_path);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  (void)ReadAll(in_path);  // removes it
  result.out = ReadAll(out_path);
  result.err = ReadAll(err_path);
  return result;
}

void SetEnvironment(const char* name, const char* value) {
  SetEnvironmentVariableW(Wide(name).c_str(), value == nullptr ? nullptr : Wide(value).c_str());
}

std::size_t SetOpenFileLimit(std::size_t) {
  return 0;
}

}  // namespace namefold::testing
