// Loading the client module, finding its entry point, and watching the function through which
// it gives task-allocator blocks back (so the host knows which returned lists it released).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "host/binding/file_names.h"
#include "host/binding/host_impl.h"

#if defined(_WIN32)
#include <objbase.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zvhost {

namespace {

HostImpl* gWatcher = nullptr;  // the host whose lists the hook watches (one host at a time)
uint32_t gVirtualTicks = 0;    // the virtual clock's last reading
constexpr uint32_t kVirtualClockStart = 1000;

#if defined(_WIN32)
constexpr const char* kModuleFile = "ZorvanShapes.dll";
#if defined(_WIN64)
constexpr const char* kEntryName = "F_ApiClientInit";  // x86-64 has one calling convention
#else
constexpr const char* kEntryName = "_F_ApiClientInit@16";  // __stdcall with 16 bytes of arguments
#endif

void WINAPI WatchedTaskFree(void* block) {
  if (gWatcher && block) gWatcher->OnClientFree(block);
  TaskFree(block);  // a block of high memory, or the task allocator's
}

DWORD WINAPI VirtualTickCount() {
  return ++gVirtualTicks;
}

// Replaces every import slot of the module that holds `target` by `replacement`.
void* PatchImports(HMODULE module, void* target, void* replacement, void** original) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  void* found = nullptr;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    for (auto* iat = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk); iat->u1.Function; ++iat) {
      if (reinterpret_cast<void*>(iat->u1.Function) != target) continue;
      DWORD old = 0;
      if (!VirtualProtect(&iat->u1.Function, sizeof(void*), PAGE_READWRITE, &old)) continue;
      *original = reinterpret_cast<void*>(iat->u1.Function);
      iat->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&iat->u1.Function, sizeof(void*), old, &old);
      found = &iat->u1.Function;
    }
  }
  return found;
}

void WriteSlot(void* slot, void* value) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) return;
  *static_cast<void**>(slot) = value;
  VirtualProtect(slot, sizeof(void*), old, &old);
}
#else
constexpr const char* kModuleFile = "ZorvanShapes.so";
constexpr const char* kEntryName = "F_ApiClientInit";

void WatchedFree(void* block) {
  if (gWatcher && block) gWatcher->OnClientFree(block);
  std::free(block);
}

int VirtualClockGettime(clockid_t, timespec* now) {
  uint32_t t = ++gVirtualTicks;
  now->tv_sec = t / 1000;
  now->tv_nsec = static_cast<long>(t % 1000) * 1000000L;
  return 0;
}

void WriteSlot(void* slot, void* value) {
  long page = sysconf(_SC_PAGESIZE);
  auto start = reinterpret_cast<uintptr_t>(slot) & ~static_cast<uintptr_t>(page - 1);
  mprotect(reinterpret_cast<void*>(start), static_cast<size_t>(page), PROT_READ | PROT_WRITE);
  *static_cast<void**>(slot) = value;
}

// Finds the module's relocated slot (GOT entry) for `symbol` and points it at `replacement`.
void* PatchGot(void* handle, const char* symbol, void* replacement, void** original) {
  struct link_map* lm = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &lm) != 0 || !lm) return nullptr;
  const ElfW(Addr) base = lm->l_addr;
  auto at = [base](ElfW(Addr) p) { return p < base ? p + base : p; };
  const ElfW(Sym)* symtab = nullptr;
  const char* strtab = nullptr;
  const ElfW(Rela)* rela = nullptr;
  size_t relaSize = 0;
  const ElfW(Rela)* plt = nullptr;
  size_t pltSize = 0;
  for (const ElfW(Dyn)* d = lm->l_ld; d->d_tag != DT_NULL; ++d) {
    switch (d->d_tag) {
      case DT_SYMTAB:
        symtab = reinterpret_cast<const ElfW(Sym)*>(at(d->d_un.d_ptr));
        break;
      case DT_STRTAB:
        strtab = reinterpret_cast<const char*>(at(d->d_un.d_ptr));
        break;
      case DT_RELA:
        rela = reinterpret_cast<const ElfW(Rela)*>(at(d->d_un.d_ptr));
        break;
      case DT_RELASZ:
        relaSize = d->d_un.d_val;
        break;
      case DT_JMPREL:
        plt = reinterpret_cast<const ElfW(Rela)*>(at(d->d_un.d_ptr));
        break;
      case DT_PLTRELSZ:
        pltSize = d->d_un.d_val;
        break;
    }
  }
  if (!symtab || !strtab) return nullptr;
  void* found = nullptr;
  auto scan = [&](const ElfW(Rela) * r, size_t size) {
    if (!r) return;
    for (size_t i = 0; i < size / sizeof(ElfW(Rela)); ++i) {
      auto type = ELF64_R_TYPE(r[i].r_info);
      if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) continue;
      const ElfW(Sym)& s = symtab[ELF64_R_SYM(r[i].r_info)];
      if (std::strcmp(strtab + s.st_name, symbol) != 0) continue;
      void* slot = reinterpret_cast<void*>(base + r[i].r_offset);
      *original = *static_cast<void**>(slot);
      WriteSlot(slot, replacement);
      found = slot;
    }
  };
  scan(rela, relaSize);
  scan(plt, pltSize);
  return found;
}
#endif

std::string ExecutableDir() {
#if defined(_WIN32)
  std::wstring buf(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  std::string p = Narrow(buf.substr(0, n < buf.size() ? n : 0));
  size_t cut = p.find_last_of("\\/");
#else
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string p(buf, n > 0 ? static_cast<size_t>(n) : 0);
  size_t cut = p.find_last_of('/');
#endif
  return cut == std::string::npos ? std::string(".") : p.substr(0, cut);
}

}  // namespace

std::string Host::DefaultModulePath() {
  const char* env = std::getenv("ZORVAN_MODULE");
  if (env && *env) return env;
#if defined(_WIN32)
  return ExecutableDir() + "\\" + kModuleFile;
#else
  return ExecutableDir() + "/" + kModuleFile;
#endif
}

namespace {

// The kinds of module file a host may be given, and the host that loads each.
enum class ModuleKind { Unknown, Linux, Win32, Win64 };

#if defined(_WIN64)
constexpr ModuleKind kThisHost = ModuleKind::Win64;
#elif defined(_WIN32)
constexpr ModuleKind kThisHost = ModuleKind::Win32;
#else
constexpr ModuleKind kThisHost = ModuleKind::Linux;
#endif

struct KindText {
  const char* module;  // what such a file is
  const char* host;    // the host that loads it
  const char* mine;    // the module this host loads
};

const KindText& TextOf(ModuleKind kind) {
  static const KindText texts[] = {
      {"", "", ""},
      {"a Linux x86-64 module", "the Linux host, build/linux/bin/zorvan-host", "the Linux module, ZorvanShapes.so"},
      {"a 32-bit Windows DLL (i386)", "the Win32 host, build/win32/bin/zorvan-host.exe",
       "the 32-bit DLL, out/win32/ZorvanShapes.dll"},
      {"a 64-bit Windows DLL (x86-64)", "the Win64 host, build/win64/bin/zorvan-host.exe",
       "the 64-bit DLL, out/win64/ZorvanShapes.dll"},
  };
  return texts[static_cast<int>(kind)];
}

// Reads the file's header: an ELF file, or a PE file by its machine field.
ModuleKind KindOfFile(const std::string& path) {
  unsigned char h[512] = {};
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return ModuleKind::Unknown;
  size_t n = std::fread(h, 1, sizeof h, f);
  std::fclose(f);
  if (n >= 4 && h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F') return ModuleKind::Linux;
  if (n < 0x40 || h[0] != 'M' || h[1] != 'Z') return ModuleKind::Unknown;
  size_t pe = h[0x3C] | h[0x3D] << 8 | h[0x3E] << 16 | static_cast<size_t>(h[0x3F]) << 24;
  if (pe > n - 6 || h[pe] != 'P' || h[pe + 1] != 'E' || h[pe + 2] != 0 || h[pe + 3] != 0) return ModuleKind::Unknown;
  unsigned machine = h[pe + 4] | h[pe + 5] << 8;
  if (machine == 0x14C) return ModuleKind::Win32;
  if (machine == 0x8664) return ModuleKind::Win64;
  return ModuleKind::Unknown;
}

// When the file is a module for another host: what it is, what this host loads, what to run
// instead (the system's own reason says only that the format is wrong).
std::string OtherKindHint(const std::string& path) {
  ModuleKind kind = KindOfFile(path);
  if (kind == ModuleKind::Unknown || kind == kThisHost) return "";
  const char* wine = kThisHost == ModuleKind::Linux ? ", under Wine" : "";
  const char* linuxOnly = kind == ModuleKind::Linux ? " on Linux" : "";
  return std::string("it is ") + TextOf(kind).module + " and this host loads " + TextOf(kThisHost).mine +
         "; load it with " + TextOf(kind).host + linuxOnly + wine;
}

#if defined(_WIN32)
// The system's text for `code`, with the file name in place of its "%1".
std::string SystemText(DWORD code, const std::string& path) {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                 nullptr);
  std::string why = text;
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
  for (size_t at; (at = why.find("%1")) != std::string::npos;) why.replace(at, 2, path);
  return why;
}
#endif

// A module named without a folder is a file in the current directory, as "./mod.so" is: the
// system's own search (library path, system folders) would find another file, or none.
std::string AsFilePath(const std::string& path) {
#if defined(_WIN32)
  return path.find_first_of("\\/:") == std::string::npos ? ".\\" + path : path;
#else
  return path.find('/') == std::string::npos ? "./" + path : path;
#endif
}

// For a module file that cannot be opened: the system's reason and the full path looked at.
std::string MissingFile(const std::string& path) {
  std::FILE* f = OpenFile(path, "rb");
  if (f) {
    std::fclose(f);
    return "";
  }
  int code = errno;
  if (code != ENOENT && code != ENOTDIR) return "";  // the loader gives its own reason for the rest
  std::error_code ec;
  std::string full = Utf8Of(std::filesystem::absolute(FsPath(path), ec).lexically_normal());
  return std::string(std::strerror(code)) + " (looked for " + (ec ? path : full) + ")";
}

}  // namespace

bool HostImpl::LoadModule() {
  if (options.entryPoint) {
    initFn = reinterpret_cast<void*>(options.entryPoint);
    return true;
  }
  if (module) return initFn != nullptr;
  modulePath = options.modulePath.empty() ? Host::DefaultModulePath() : options.modulePath;
  const std::string file = AsFilePath(modulePath);
  if (std::string missing = MissingFile(file); !missing.empty()) {
    lastError = "cannot load " + modulePath + ": " + missing;
    return false;
  }
#if defined(_WIN32)
  HMODULE m = LoadLibraryW(LongPath(file).c_str());  // any letters, any length
  if (!m) {
    DWORD code = GetLastError();
    std::string why = OtherKindHint(modulePath);
    if (why.empty()) why = SystemText(code, modulePath);
    lastError =
        "cannot load " + modulePath + ": " + (why.empty() ? "" : why + " ") + "(error " + std::to_string(code) + ")";
    return false;
  }
  module = m;
  initFn = reinterpret_cast<void*>(GetProcAddress(m, kEntryName));
#else
  module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* e = dlerror();
    std::string why = OtherKindHint(modulePath);
    lastError = "cannot load " + modulePath + ": " + (!why.empty() ? why : e ? e : "unknown error");
    return false;
  }
  initFn = dlsym(module, kEntryName);
#endif
  if (!initFn) {
    lastError = std::string("the module has no entry point ") + kEntryName;
    return false;
  }
  InstallFreeHook();
  if (options.virtualClock) InstallClockHook();
  return true;
}

void HostImpl::InstallFreeHook() {
  if (hookInstalled || !module) return;
#if defined(_WIN32)
  HMODULE ole = GetModuleHandleA("ole32.dll");
  void* target = ole ? reinterpret_cast<void*>(GetProcAddress(ole, "CoTaskMemFree")) : nullptr;
  if (target)
    hookSlot =
        PatchImports(static_cast<HMODULE>(module), target, reinterpret_cast<void*>(&WatchedTaskFree), &hookOriginal);
#else
  hookSlot = PatchGot(module, "free", reinterpret_cast<void*>(&WatchedFree), &hookOriginal);
#endif
  hookInstalled = hookSlot != nullptr;
  counters.tracked = hookInstalled;
  if (hookInstalled) gWatcher = this;
}

#if defined(_WIN32)
static void* WINAPI RefusingTaskAlloc(SIZE_T) {
  return nullptr;
}
#else
static void* RefusingTaskAlloc(size_t) {
  return nullptr;
}
#endif

bool HostImpl::RefuseTaskAlloc(bool on) {
  if (!module) return false;
  if (!on) {
    if (refuseSlot) WriteSlot(refuseSlot, refuseOriginal);
    refuseSlot = nullptr;
    return true;
  }
  if (refuseSlot) return true;
#if defined(_WIN32)
  HMODULE ole = GetModuleHandleA("ole32.dll");
  void* target = ole ? reinterpret_cast<void*>(GetProcAddress(ole, "CoTaskMemAlloc")) : nullptr;
  if (target)
    refuseSlot = PatchImports(static_cast<HMODULE>(module), target, reinterpret_cast<void*>(&RefusingTaskAlloc),
                              &refuseOriginal);
#else
  refuseSlot = PatchGot(module, "malloc", reinterpret_cast<void*>(&RefusingTaskAlloc), &refuseOriginal);
#endif
  return refuseSlot != nullptr;
}

void HostImpl::RemoveFreeHook() {
  if (!hookInstalled) return;
  WriteSlot(hookSlot, hookOriginal);
  hookInstalled = false;
  hookSlot = nullptr;
  if (gWatcher == this) gWatcher = nullptr;
}

void HostImpl::InstallClockHook() {
  if (clockSlot || !module) return;
  gVirtualTicks = kVirtualClockStart;
#if defined(_WIN32)
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  void* target = kernel ? reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount")) : nullptr;
  if (target)
    clockSlot =
        PatchImports(static_cast<HMODULE>(module), target, reinterpret_cast<void*>(&VirtualTickCount), &clockOriginal);
#else
  clockSlot = PatchGot(module, "clock_gettime", reinterpret_cast<void*>(&VirtualClockGettime), &clockOriginal);
#endif
  // No slot: the module imports no clock, so it reads none and there is nothing to replace.
}

void HostImpl::RemoveClockHook() {
  if (!clockSlot) return;
  WriteSlot(clockSlot, clockOriginal);
  clockSlot = nullptr;
}

void HostImpl::UnloadModule() {
  if (!module) return;
  RemoveFreeHook();
  RemoveClockHook();
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(module));
#else
  dlclose(module);
#endif
  module = nullptr;
  initFn = nullptr;
}

}  // namespace zvhost
