// File names in UTF-8, opened through the wide calls on Windows.
#include "host/binding/file_names.h"

#if defined(_WIN32)
#include <windows.h>
// after windows.h
#include <shellapi.h>
#endif

namespace zvhost {

#if defined(_WIN32)
std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return L"";
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return "";
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring LongPath(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.size() < MAX_PATH) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  return L"\\\\?\\" + full;
}

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr) return out;
  for (int i = 1; i < count; ++i) out.push_back(Narrow(args[i]));
  LocalFree(args);
  return out;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(LongPath(path).c_str(), Widen(mode).c_str());
}

std::filesystem::path FsPath(const std::string& path) {
  return std::filesystem::path(Widen(path));
}

std::string Utf8Of(const std::filesystem::path& path) {
  return Narrow(path.wstring());
}
#else
std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

std::filesystem::path FsPath(const std::string& path) {
  return std::filesystem::path(path);
}

std::string Utf8Of(const std::filesystem::path& path) {
  return path.string();
}
#endif

}  // namespace zvhost
