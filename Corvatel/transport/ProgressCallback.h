// ProgressCallback: what a file receipt reports after each block: the local name, the remote name,
// the bytes received so far and the remote file's size (0 when unknown).
#pragma once

#include <functional>
#include <string>

using ProgressCallback = std::function<void(std::string, std::string, unsigned long long, unsigned long long)>;
