// Where the track download puts its files.
#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "runtime/text.h"

namespace quellora {

/// The folder that album folders go into: OutputDirectory, else the current directory.
std::filesystem::path OutputFolder();

/// The album folder for an album title (program code page): a safe name under OutputFolder().
std::filesystem::path AlbumFolder(const Text& albumTitle);

/// The file a track is saved as inside folder: its safe title (the id when the title is empty)
/// plus ".MP3", numbered " (2)", " (3)" ... when that path is among savedThisRun already.
std::filesystem::path TrackFile(const std::filesystem::path& folder, const Text& title,
                                const Text& trackId, const std::set<std::string>& savedThisRun);

}  // namespace quellora
