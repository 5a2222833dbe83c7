// Where the track download puts its files.
#pragma once

#include <filesystem>

#include "runtime/text.h"

namespace quellora {

/// The folder that album folders go into: OutputDirectory, else the current directory.
std::filesystem::path OutputFolder();

/// The album folder for an album title (program code page): a safe name under OutputFolder().
std::filesystem::path AlbumFolder(const Text& albumTitle);

}  // namespace quellora
