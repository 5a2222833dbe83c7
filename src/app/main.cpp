#include "runtime/process.h"

int main() {
  quellora::RuntimeInit();
  quellora::RunExitHooks();
  return quellora::kExitOk;
}
