#include "core/transmissioncatalogue.h"

#include "core/programpaths.h"

#include <algorithm>
#include <filesystem>

namespace vexa {

std::vector<SelectionEntry> ReadTransmissionCatalogue(CVLXDoc& doc) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(doc.DefinitionDir, ec)) {
        if (!item.is_directory(ec) && item.path().extension() == ".def")
            files.push_back(item.path().filename().string());
    }
    std::sort(files.begin(), files.end());

    std::vector<SelectionEntry> entries;
    for (const std::string& file : files) {
        std::string logicalName, transmissionType, description;
        doc.ReadDefinitionSummary(JoinStoredPath(doc.DefinitionDir, file), logicalName,
                                  transmissionType, description);
        if (transmissionType.empty())
            continue;
        SelectionEntry entry;
        entry.fileName = file.substr(0, 400);
        entry.logicalName = logicalName.substr(0, 50);
        entry.transmissionType = transmissionType.substr(0, 60);
        entry.description = description.substr(0, 300);
        entries.push_back(std::move(entry));
    }
    return entries;
}

void ApplyTransmissionType(CVLXDoc& doc, const SelectionEntry& entry) {
    ChangeScope step(doc, "Transmission Type " + entry.transmissionType);
    doc.Header[kLogicalName] = entry.logicalName;
    doc.Header[kTransmissionType] = entry.transmissionType;
    doc.Header[kDescription] = entry.description;
    doc.Header[kDefinitionFileName] = entry.fileName;
    doc.LoadDefinitionFile(doc.DefinitionFilePath());
    doc.ClearDeclarations(0);
    doc.ReadApplicationID();
    doc.ReadDeclarations(doc.Identity.ApplyDefaultsOnReload());
    doc.RefreshViews(1);
    doc.SetModifiedFlag();
}

} // namespace vexa
