// File-system operations of the run time: the current directory, folder creation, the existence
// test and writing a whole file.
//
// Names are Text in the program's code page; they reach the file system as UTF-8, with "/" as
// the separator. Every operation reports failure only through its result and never throws.
#pragma once

#include <initializer_list>

#include "runtime/text.h"

namespace quellora {

/// The current directory's full path without a trailing "/" ("/" itself at the root);
/// the empty text when it cannot be read.
Text CurrentDirectory();

/// Creates exactly this directory (the parent must exist); false when it exists already,
/// the parent is missing, the name is empty or the system refuses.
bool DirectoryCreate(const Text& path);

/// True when a file or directory of exactly this name exists (no wildcard matching).
/// A name that ends with "/" and the empty name give false.
bool FileExists(const Text& name);

/// Writes the buffers, in order, as the whole content of the file (an empty buffer adds
/// nothing, so no buffers or only empty ones give an empty file). The bytes go to a temporary
/// file in the same folder that replaces the named file only when everything was written: on
/// false an existing file keeps its bytes and no file of that name is created.
/// False for the empty name, a missing folder, or a failed write, close or rename.
bool FileWriteBytes(const Text& fileName, std::initializer_list<const Bytes*> parts);

/// FileWriteBytes with a single buffer.
bool FileWriteBytes(const Text& fileName, const Bytes& bytes);

}  // namespace quellora
