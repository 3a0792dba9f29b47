#pragma once
// The windowed program on the shipped data, for the tests that run it as a user would: a
// copy of what the build put beside the program, and a machine without serial ports or a
// mail program. Tests that include this are given VEXA_BUILT_DATA_DIR, the build's program
// directory.
#include "link/portdiscovery.h"
#include "link/supportpackage.h"
#include "support/docfixture.h"

#include <filesystem>
#include <vector>

namespace vexa::testing {

// Copies the data the build put beside the program, without the programs themselves.
inline void CopyBuiltData(const TempDir& dir) {
    namespace fs = std::filesystem;
    for (const fs::directory_entry& entry : fs::directory_iterator(VEXA_BUILT_DATA_DIR)) {
        const bool program = entry.is_regular_file() && (entry.status().permissions() &
                                                         fs::perms::owner_exec) != fs::perms::none;
        if (!program)
            fs::copy(entry.path(), fs::path(dir.path()) / entry.path().filename(),
                     fs::copy_options::recursive);
    }
}

class NoPorts : public PortLister {
public:
    std::vector<PortInfo> ListPorts() override { return {}; }
};

class NoMail : public MailProgram {
public:
    bool Available() const override { return false; }
    int Send(const SupportMail&) override { return 0; }
};

} // namespace vexa::testing
