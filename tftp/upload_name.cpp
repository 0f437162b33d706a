#include "tftp/upload_name.h"

namespace mirbo {

bool UploadNameIsAcceptable(std::string_view name) {
  if (name.empty() || name.size() > kMaxUploadNameSize) return false;
  // Both separators on every OS: a name must mean the same file everywhere.
  if (name.find_first_of("/\\:") != std::string_view::npos) return false;
  return name != "." && name != "..";
}

}  // namespace mirbo
