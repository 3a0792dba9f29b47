// Restore points: what a controller table holds, read and kept as a calibration file before
// a write replaces it.
#include "core/atomicfile.h"
#include "core/clock.h"
#include "core/graphicaltuning.h"
#include "core/programpaths.h"
#include "core/restorepoints.h"
#include "core/vlxdoc.h"
#include "link/vlxcontroller.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>

namespace vexa {

namespace {

constexpr const char* kRestorePointCaption = "Restore Point Error:";

// Passes everything to the document's host but the message boxes, whose texts it keeps, so
// the reasons of a failed backup read can be put into one question.
class MessageCollector final : public DocumentHost {
public:
    explicit MessageCollector(CVLXDoc& doc) : doc_(doc), inner_(doc.Host()) { doc_.SetHost(this); }
    ~MessageCollector() override { doc_.SetHost(&inner_); }
    MessageCollector(const MessageCollector&) = delete;
    MessageCollector& operator=(const MessageCollector&) = delete;

    int MessageBox(const std::string& text, const std::string& caption, unsigned) override {
        texts += (texts.empty() ? "" : "\n") + caption + (caption.empty() ? "" : " ") + text;
        return kIdOk;
    }
    bool HasFrame() const override { return inner_.HasFrame(); }
    void SetStatusText(const std::string& text) override { inner_.SetStatusText(text); }
    void RebuildBars() override { inner_.RebuildBars(); }
    void RedrawView() override { inner_.RedrawView(); }
    void RebuildSheetPages(void* sheet) override { inner_.RebuildSheetPages(sheet); }
    void RefreshSettingsSheet(int rebuild) override { inner_.RefreshSettingsSheet(rebuild); }

    std::string texts;

private:
    CVLXDoc& doc_;
    DocumentHost& inner_;
};

// Picks, among similar transmission types, the one of the open calibration when the list
// offers it: a restore point of a table the user read before names the type chosen then.
TransmissionChooser PreferDefinition(const CVLXDoc& doc, std::span<const std::uint8_t> image) {
    std::ifstream in(JoinStoredPath(doc.DefinitionDir, kSignatureFileName), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SignatureMatch match = CTransReadbackDecoder::MatchSignatureText(text, image);
    std::string preferred;
    for (std::size_t i = 0; i < match.files.size() && i < match.names.size(); ++i) {
        if (match.files[i] == doc.Header[kDefinitionFileName])
            preferred = match.names[i];
    }
    return [preferred](const std::vector<std::string>& names, int& selected) {
        const auto found = std::find(names.begin(), names.end(), preferred);
        selected = found == names.end() ? 0 : static_cast<int>(found - names.begin());
        return 1;
    };
}

} // namespace

int CVLXController::SaveRestorePoint(int table, std::string& path, std::string& why) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    const int size = std::max(doc_.Declarations.TotalBlockSize(), 0);
    const int nvmType = doc_.Declarations.NVMType();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(size), nvmType > 1 ? 0xFF : 0x00);
    std::string error;
    int read = 0;
    {
        MessageCollector collector(doc_);
        read = nvmType == 0 ? TransferTableEeprom(image, size, table, error, 0)
                            : TransferTableFlash(image, size, table, error, 0);
        if (!read) {
            why = !collector.texts.empty() ? collector.texts
                  : !error.empty()         ? error
                                           : "The controller did not answer.";
            return 0;
        }
    }

    // A copy of the open calibration takes what the table holds, as File>Read would.
    NullCurveGraph graph;
    CVLXDoc copy(CVLXDocServices{&doc_.Settings(), doc_.ProgramDir, nullptr});
    copy.SetGraph(&graph);
    copy.CopyCalibration(doc_);
    if (LoadReadbackDefinition(copy, image, PreferDefinition(doc_, image))) {
        std::vector<TuningControl> controls;
        BuildGraphicalTuning(copy, controls);
    }
    if (!copy.ApplyMemoryImage(image)) {
        why = "What the table holds does not fit the memory layout of the definition file.";
        return 0;
    }

    if (!EnsureDirectory(restorePointFolder_, why))
        return 0;
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm local = LocalTime(now);
    const std::string name = RestorePointFileName(
        local, RestorePointControllerName(doc_.Header[kProdName], doc_.Identity.DeviceType()),
        table);
    path = UnusedRestorePointPath(restorePointFolder_, name);
    if (!WriteFileAtomically(path, copy.SaveToBytes(), why)) {
        path.clear();
        return 0;
    }
    return 1;
}

int CVLXController::MakeRestorePoint(int table) {
    lastRestorePoint_.clear();
    if (restorePointFolder_.empty())
        return 1;
    std::string path;
    std::string why;
    if (SaveRestorePoint(table, path, why)) {
        lastRestorePoint_ = path;
        doc_.SetStatusText("Restore point saved: " + path);
        return 1;
    }
    while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
        why.pop_back();
    const std::string number = std::to_string(table + 1);
    const int answer = doc_.ShowMessage(
        "Before writing, what controller table " + number +
            " holds is read and kept as a restore point, but it could not be kept this time:\n\n" +
            why + "\n\nWrite the calibration without a restore point?  What table " + number +
            " holds now will then be lost.",
        kRestorePointCaption, kMbYesNo | kMbIconExclamation | kMbDefButton2 | kMbTaskModal);
    if (answer != kIdYes)
        return 0;
    // The failed read may have taken the link down: only the controller the write began
    // with is written to.
    if (RecoverLink())
        return 1;
    doc_.ShowMessage("Could not write data to memory of controller.  No controller found.\n\n"
                     "Please insure that controller is connected and powered-up.",
                     "Calibration Write Error:", kMbIconStop | kMbTaskModal);
    return 0;
}

} // namespace vexa
