#include "runtime/process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace quellora {
namespace {

std::vector<void (*)()>& ExitHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

}  // namespace

void FatalError(std::string_view message) {
  std::fflush(stdout);
  std::fprintf(stderr, "quellora-dl: %.*s\n", static_cast<int>(message.size()), message.data());
  std::_Exit(kExitUsage);
}

void AddExitHook(void (*hook)()) {
  auto& hooks = ExitHooks();
  for (auto* registered : hooks) {
    if (registered == hook) return;
  }
  hooks.push_back(hook);
}

void RunExitHooks() {
  auto hooks = std::move(ExitHooks());
  ExitHooks().clear();
  for (auto* hook : hooks) hook();
}

void RuntimeInit() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) std::filesystem::current_path(exe.parent_path(), error);
}

void RunMessageLoop() {}

}  // namespace quellora
