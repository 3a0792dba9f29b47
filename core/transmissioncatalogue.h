#pragma once
// The transmission types on offer: one .def file per type in the definition directory,
// and choosing one of them for the open calibration.
#include "core/vlxdoc.h"

#include <string>
#include <vector>

namespace vexa {

// One entry of a settings page's selection list.
struct SelectionEntry {
    std::string fileName;         // definition file name, at most 400 characters
    std::string logicalName;      // at most 50 characters
    std::string displayName;      // at most 80 characters (item selection only)
    std::string transmissionType; // at most 60 characters
    std::string description;      // at most 300 characters
};

// Every .def file of DefinitionDir whose [ApplicationID] names a transmission type, in
// file-name order (the order the platform's directory listing gives on the systems the
// definition sets were made on).
std::vector<SelectionEntry> ReadTransmissionCatalogue(CVLXDoc& doc);

// Makes entry the calibration's transmission type: its names go into the header, its
// definition is loaded and declared (keeping values unless ApplyDefaultsOnReload), the
// views are rebuilt and the calibration is marked modified.
void ApplyTransmissionType(CVLXDoc& doc, const SelectionEntry& entry);

} // namespace vexa
