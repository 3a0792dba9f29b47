#pragma once
// A document on the shipped data/ directory, with a host that acts as a main window with a
// graph: a rebuild configures the traces as the "Graph Controls" bar does, so the curve
// conversions are those the windowed program uses.
#include "core/graphicaltuning.h"
#include "core/transmissioncatalogue.h"
#include "core/vlxdoc.h"
#include "graph/graphengine.h"
#include "support/docfixture.h"
#include "support/recordinghost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexa::testing {

inline std::string DataDir() {
    return VEXA_DATA_DIR;
}

class GraphHost : public RecordingHost {
public:
    void RebuildBars() override {
        RecordingHost::RebuildBars();
        if (doc)
            BuildGraphicalTuning(*doc, controls);
    }
    CVLXDoc* doc = nullptr;
    std::vector<TuningControl> controls;
};

// One controller family: its identity picks the definition directory PID<device>/<firmware>.
struct Family {
    int device;
    int firmware;
    std::string Folder() const {
        return "PID" + std::to_string(device) + "/" + std::to_string(firmware);
    }
};

struct DataDoc {
    explicit DataDoc(Family family) : engine(kNumCurves, kPointsPerCurve), graph(engine) {
        settings.WriteInt("HardwareProfile", "DeviceType", family.device);
        settings.WriteInt("HardwareProfile", "FirmwareVersion", family.firmware);
        settings.WriteInt("HardwareProfile", "FirmwareVersionMinor", 2);
        settings.WriteInt("HardwareProfile", "HardwareVersion", 1);
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, DataDir(), nullptr});
        host.doc = doc.get();
        doc->SetHost(&host);
        doc->SetGraph(&graph);
        engine.SetAdjustCallback([this](int curve, int point, float value, std::int16_t& delta) {
            return doc->AdjustCurvePoint(curve, point, value, delta);
        });
        doc->OnNewDocument();
    }

    // File>New, then the transmission type of definition file `file` as the transmission
    // page applies it. False when the catalogue does not list the file.
    bool NewOfType(const std::string& file) {
        doc->OnNewDocument();
        doc->SetModifiedFlag(false);
        for (const SelectionEntry& entry : ReadTransmissionCatalogue(*doc)) {
            if (entry.fileName == file) {
                ApplyTransmissionType(*doc, entry);
                return true;
            }
        }
        return false;
    }

    // The image a write would send: $TotalBlockSize bytes pre-filled as the transfer does,
    // then built. Empty when the build fails.
    std::vector<std::uint8_t> Image() {
        const std::int32_t size = doc->Declarations.TotalBlockSize();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(size > 0 ? size : 0),
                                        doc->Declarations.NVMType() > 1 ? 0xFF : 0x00);
        if (size <= 0 || !doc->BuildMemoryImage(image))
            return {};
        return image;
    }

    MemorySettings settings;
    GraphHost host;
    CGraphEngine engine;
    GraphEngineCurveGraph graph;
    std::unique_ptr<CVLXDoc> doc;
};

} // namespace vexa::testing
