// Module handles are load addresses; their file names come from the dynamic loader and read in Windows
// form; resources are sections of the module's ELF file.
#include "platform/winapi/Module.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"

namespace {

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out = real;
  free(real);
  return out;
}

}  // namespace

namespace vandrel {

HMODULE ProgramModule() {
  const void* address = nullptr;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        for (int i = 0; i < info->dlpi_phnum; ++i)
          if (info->dlpi_phdr[i].p_type == PT_LOAD) {
            *static_cast<const void**>(data) =
                reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
            break;
          }
        return 1;  // the first object is the program
      },
      &address);
  return ModuleOfAddress(address);
}

HMODULE ModuleOfAddress(const void* address) {
  Dl_info info;
  if (!address || !dladdr(address, &info)) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

std::string HostPathOfModule(HMODULE module) {
  // The program's file stays where it was started from.
  static const std::string program = RealPath("/proc/self/exe");
  if (!module || module == ProgramModule()) return program;
  Dl_info info;
  if (!dladdr(module, &info) || info.dli_fbase != module || !info.dli_fname || !*info.dli_fname) return {};
  // The name a module was loaded by resolves once: it is asked for on every activation context a band makes.
  static std::mutex* lock = new std::mutex;
  static auto* resolved = new std::map<std::string, std::string>;
  std::lock_guard<std::mutex> guard(*lock);
  auto it = resolved->find(info.dli_fname);
  if (it == resolved->end()) it = resolved->emplace(info.dli_fname, RealPath(info.dli_fname)).first;
  return it->second;
}

bool FindElfSection(const ImageReader& read, uint64_t size, std::string_view name, std::string& data) {
  Elf64_Ehdr header;
  if (size < sizeof header || !read(0, &header, sizeof header)) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum)
    return false;
  uint64_t tableSize = uint64_t(header.e_shnum) * sizeof(Elf64_Shdr);
  if (header.e_shoff > size || tableSize > size - header.e_shoff) return false;
  auto inImage = [&](const Elf64_Shdr& s) { return s.sh_offset <= size && s.sh_size <= size - s.sh_offset; };
  // The section table and the section names, each in one read.
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  if (!read(header.e_shoff, sections.data(), size_t(tableSize))) return false;
  const Elf64_Shdr& names = sections[header.e_shstrndx];
  if (!inImage(names)) return false;
  std::string nameTable(size_t(names.sh_size), '\0');
  if (!nameTable.empty() && !read(names.sh_offset, nameTable.data(), nameTable.size())) return false;
  for (const Elf64_Shdr& section : sections) {
    if (section.sh_name >= nameTable.size()) return false;
    const char* candidate = nameTable.data() + section.sh_name;
    size_t room = std::min<size_t>(63, nameTable.size() - section.sh_name);
    if (std::string_view(candidate, strnlen(candidate, room)) != name) continue;
    if (section.sh_type == SHT_NOBITS || !inImage(section)) return false;
    data.resize(size_t(section.sh_size));
    return data.empty() || read(section.sh_offset, data.data(), data.size());
  }
  return false;
}

bool ReadModuleResource(const std::string& hostPath, const char* section, std::string& data, DWORD& error) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = Win32ErrorFromErrno(errno);
    return false;
  }
  struct stat st;
  bool found = false;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    auto read = [fd](uint64_t offset, void* buffer, size_t count) {
      return pread(fd, buffer, count, off_t(offset)) == ssize_t(count);
    };
    found = FindElfSection(read, uint64_t(st.st_size), section, data);
  }
  close(fd);
  if (!found) error = ERROR_RESOURCE_TYPE_NOT_FOUND;
  return found;
}

}  // namespace vandrel

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string path = vandrel::StandInModulePath(module);
  if (path.empty()) {
    std::string host = vandrel::HostPathOfModule(module);
    if (host.empty()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = vandrel::WindowsPathOf(host);
  }
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() + 1 > size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return DWORD(path.size());
}

namespace {

// The version block of a file: the tag and a VS_FIXEDFILEINFO.
bool ReadVersionBlock(LPCSTR fileName, std::string& block) {
  vandrel::HostPath host = vandrel::MapWindowsPath(fileName ? fileName : "");
  if (host.error) {
    SetLastError(host.error);
    return false;
  }
  DWORD error = 0;
  if (!vandrel::ReadModuleResource(host.path, vandrel::kVersionSection, block, error)) {
    SetLastError(error);
    return false;
  }
  if (block.size() < 8 + sizeof(VS_FIXEDFILEINFO) || block.compare(0, 8, vandrel::kVersionTag) != 0) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  block.resize(8 + sizeof(VS_FIXEDFILEINFO));  // without what a sanitizer may have padded behind it
  return true;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  std::string block;
  return ReadVersionBlock(fileName, block) ? DWORD(block.size()) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data) {
  std::string block;
  if (!ReadVersionBlock(fileName, block)) return FALSE;
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::memcpy(data, block.data(), std::min<size_t>(size, block.size()));
  return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  if (!block || !subBlock || !buffer || std::memcmp(block, vandrel::kVersionTag, 8) != 0) return FALSE;
  if (std::strcmp(subBlock, "\\") != 0) return FALSE;
  auto* info = reinterpret_cast<VS_FIXEDFILEINFO*>(static_cast<char*>(const_cast<void*>(block)) + 8);
  if (info->dwSignature != VS_FFI_SIGNATURE) return FALSE;
  *buffer = info;
  if (length) *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}
