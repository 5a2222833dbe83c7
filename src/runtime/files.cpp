#include "runtime/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "runtime/atomic_file.h"
#include "runtime/codepage.h"

namespace quellora {

Text CurrentDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) break;
    if (errno != ERANGE || buffer.size() > (1u << 20)) return Text();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  // getcwd never ends with "/" except at the root, which is what callers expect.
  return FromUtf8(buffer);
}

bool DirectoryCreate(const Text& path) {
  if (path.empty()) return false;
  return ::mkdir(ToUtf8(path).c_str(), 0777) == 0;
}

bool FileExists(const Text& name) {
  if (name.empty() || name.back() == '/') return false;
  struct stat info {};
  return ::stat(ToUtf8(name).c_str(), &info) == 0;
}

bool FileWriteBytes(const Text& fileName, std::initializer_list<const Bytes*> parts) {
  if (fileName.empty()) return false;
  AtomicFileWriter writer(ToUtf8(fileName));
  if (!writer.IsOpen()) return false;
  for (const Bytes* part : parts) {
    if (part == nullptr || part->empty()) continue;
    if (!writer.Write(part->data(), part->size())) return false;
  }
  return writer.Commit();
}

bool FileWriteBytes(const Text& fileName, const Bytes& bytes) {
  return FileWriteBytes(fileName, {&bytes});
}

}  // namespace quellora
