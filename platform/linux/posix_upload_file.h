#pragma once

#include <memory>
#include <string>

#include "platform/upload_file.h"

namespace mirbo {

// Creates `name` in the working directory anew, refusing to follow a link.
std::unique_ptr<UploadFile> CreatePosixUploadFile(const std::string& name);

}  // namespace mirbo
