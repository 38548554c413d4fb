#pragma once

#include "core/FileSystem.h"

#include <memory>

// The file system of the operating system this build runs on.
std::unique_ptr<FileSystem> createFileSystem();
