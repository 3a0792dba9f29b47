#pragma once
// A document on a temporary program directory, with an in-memory settings store and a
// recording host, for tests of the calibration core.
#include "core/vlxdoc.h"
#include "support/memorysettings.h"
#include "support/portable.h"
#include "support/recordinghost.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace vexa::testing {

// A fresh temporary directory, removed again at the end of the test.
class TempDir {
public:
    TempDir() {
        path_ = MakeTempDirectory(
            (std::filesystem::temp_directory_path() / "vexa-test-XXXXXX").string());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& relative) const { return path_ + "/" + relative; }
    // Writes bytes to a file below the directory, creating folders on the way.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::string full = File(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << bytes;
        return full;
    }

private:
    std::string path_;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct DocFixture {
    TempDir dir;
    MemorySettings settings;
    RecordingHost host;
    std::unique_ptr<CVLXDoc> doc;

    // Writes generic.init (and any other files) before calling MakeDoc().
    void MakeDoc() {
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&host);
    }
};

} // namespace vexa::testing
