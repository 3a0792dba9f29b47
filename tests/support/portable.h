#pragma once
// What the tests need from the system, on Linux and Windows alike.
#include <string>

#ifdef _WIN32
#include "core/windowserror.h"

#include <chrono>
#include <filesystem>
#include <process.h>
#else
#include <cstdlib>
#endif

namespace vexa::testing {

// A fresh directory from a pattern ending in "XXXXXX": its path, or an empty text when
// none could be made.
inline std::string MakeTempDirectory(std::string pattern) {
#ifdef _WIN32
    const std::string stem = pattern.substr(0, pattern.size() - 6);
    auto salt = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt, salt = salt * 6364136223846793005ULL + 1) {
        std::string candidate =
            stem + std::to_string(_getpid()) + "-" + std::to_string(salt % 1000003);
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec))
            return candidate;
        if (ec)
            return {};
    }
    return {};
#else
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
#endif
}

// The system's reasons for a path whose folder does not exist, and for a file name that
// is a folder.
#ifdef _WIN32
inline const std::string kNoSuchFolderReason = WindowsErrorText(3); // ERROR_PATH_NOT_FOUND
inline const std::string kIsAFolderReason = WindowsErrorText(267);  // ERROR_DIRECTORY
#else
inline const std::string kNoSuchFolderReason = "No such file or directory";
inline const std::string kIsAFolderReason = "Is a directory";
#endif

} // namespace vexa::testing
