// The engine's last-failure detail.
#include "engine/failure/failure.h"

#include <exception>
#include <utility>

#include "files/safe_file.h"

namespace vantiro::engine::failure {
namespace {

std::string& Kept() noexcept {
  static std::string detail;
  return detail;
}

}  // namespace

void Clear() noexcept { Kept().clear(); }

void Record(std::string_view detail) noexcept {
  std::string& kept = Kept();
  if (!kept.empty()) return;
  try {
    kept.assign(detail);
  } catch (const std::exception&) {  // out of memory: no detail
    kept.clear();
  }
}

const std::string& Detail() noexcept { return Kept(); }

std::string Take() noexcept {
  std::string taken;
  std::swap(taken, Kept());
  return taken;
}

std::string SystemReason() { return files::SystemReason(); }

}  // namespace vantiro::engine::failure
