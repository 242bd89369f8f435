// File names as the host's programs take and print them: UTF-8 everywhere. On Windows the
// system's 8-bit calls would read them in the ANSI code page, which cannot spell most of the
// world's folder names, so files are opened and modules loaded through the wide calls.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace zvhost {

std::FILE* OpenFile(const std::string& path, const char* mode);  // fopen for a UTF-8 path
std::filesystem::path FsPath(const std::string& path);           // a UTF-8 path for std::filesystem
std::string Utf8Of(const std::filesystem::path& path);           // and back

#if defined(_WIN32)
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// `path` made absolute, with the \\?\ prefix that file and loader calls need from 260
// characters on.
std::wstring LongPath(const std::string& path);
// The program's arguments as the command line gave them, in UTF-8 (argv holds them in the
// ANSI code page, with '?' for letters it lacks).
std::vector<std::string> CommandLineArguments();
#endif

}  // namespace zvhost
