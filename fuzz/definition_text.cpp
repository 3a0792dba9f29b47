// Arbitrary bytes as a definition file: loading must give the normalised text (empty or
// starting with a line feed, no empty lines, no comments, no TABs), and every engine read
// over every section, key and block of it must stay in range and terminate. The walk runs
// over the loaded text and over the raw bytes taken as definition text.
#include "support/docfixture.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

using namespace vexa;

struct Harness {
    testing::TempDir dir;
    testing::MemorySettings settings;
    NullDocumentHost host;
    std::unique_ptr<CVLXDoc> doc;
    std::string file;

    Harness() {
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&host);
        file = dir.File("input.def");
    }
};

void CheckScopes(const CVLXDoc& doc) {
    const int length = static_cast<int>(doc.DefinitionText.size());
    if (doc.SectionStart > length || doc.SectionEnd > length || doc.BlockStart > length + 1 ||
        doc.BlockEnd > length)
        std::abort();
}

// Reads every kind of key value in the scope, with and without defaults.
void ReadKeys(CVLXDoc& doc, const std::string& key, int scope) {
    std::string text;
    std::int32_t i32 = 0;
    std::int16_t i16 = 0;
    float f = 0.0f;
    doc.ReadKeyString(key, text, scope);
    doc.ReadKeyString(key, text, scope, "default");
    doc.ReadKeyText(key, text, 50, scope);
    if (text.size() > 50)
        std::abort();
    doc.ReadKeyText(key, text, 3, scope, "a long default");
    if (text.size() > 3)
        std::abort();
    doc.ReadKeyInt(key, i32, scope);
    doc.ReadKeyInt(key, i32, scope, 7);
    doc.ReadKeyShort(key, i16, scope, -3);
    doc.ReadKeyFloat(key, f, scope);
    doc.ReadKeyFloat(key, f, scope, 1.5f);
}

// Walks the key lines of a scope; returns the keys seen. The cursor must move forward.
std::vector<std::string> WalkKeys(CVLXDoc& doc, int scope) {
    std::vector<std::string> keys;
    std::string key;
    std::string value;
    int cursor = 0;
    int previous = -1;
    while (doc.NextKeyLine(key, value, cursor, scope)) {
        if (cursor <= previous || cursor > static_cast<int>(doc.DefinitionText.size()) + 1)
            std::abort();
        previous = cursor;
        if (!key.empty())
            keys.push_back(key);
    }
    return keys;
}

void WalkSection(CVLXDoc& doc, const std::string& header) {
    if (!doc.FindSection(header, 0))
        return;
    CheckScopes(doc);
    const int sectionStart = doc.SectionStart;
    const int sectionEnd = doc.SectionEnd;
    const std::vector<std::string> keys = WalkKeys(doc, kSectionScope);
    for (const std::string& key : keys) {
        ReadKeys(doc, key, kSectionScope);
        // Any key may be a block keyword: walk its blocks and their keys.
        std::string blockHeader;
        int blocks = 0;
        for (int more = 0; doc.FindBlock(key, blockHeader, more) && blocks < 64; more = 1) {
            ++blocks;
            CheckScopes(doc);
            if (doc.BlockStart < sectionStart || doc.BlockEnd > sectionEnd)
                std::abort(); // a block reaches outside its section
            const int blockStart = doc.BlockStart;
            const int blockEnd = doc.BlockEnd;
            for (const std::string& blockKey : WalkKeys(doc, kBlockScope))
                ReadKeys(doc, blockKey, kBlockScope);
            doc.BlockStart = blockStart;
            doc.BlockEnd = blockEnd;
        }
        doc.FindBlockByLogicalName(key, "Fuzz");
        CheckScopes(doc);
        doc.SectionStart = sectionStart;
        doc.SectionEnd = sectionEnd;
    }
}

void WalkText(CVLXDoc& doc) {
    // A new text starts with no scope, as in a fresh document.
    doc.SectionStart = doc.SectionEnd = doc.ItemCursor = doc.BlockStart = doc.BlockEnd = 0;
    // Every "[...]" in the text is a section header, repeated ones visited in order.
    std::set<std::string> headers;
    for (std::size_t open = doc.DefinitionText.find('['); open != std::string::npos;
         open = doc.DefinitionText.find('[', open + 1)) {
        const std::size_t close = doc.DefinitionText.find(']', open);
        if (close == std::string::npos)
            break;
        if (headers.size() < 32)
            headers.insert(doc.DefinitionText.substr(open, close - open + 1));
    }
    for (const std::string& header : headers) {
        WalkSection(doc, header);
        std::string logicalName;
        std::string displayName;
        for (int more = 0, n = 0;
             n < 64 && doc.ReadSectionTitles(header, logicalName, displayName, more); more = 1, ++n)
            CheckScopes(doc);
        doc.FindItemByLogicalName(header, "Fuzz");
        CheckScopes(doc);
    }
    doc.ReadApplicationID();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness h;
    CVLXDoc& doc = *h.doc;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    h.dir.Write("input.def", bytes);

    std::string logicalName, transmissionType, description;
    doc.ReadDefinitionSummary(h.file, logicalName, transmissionType, description);

    if (!doc.LoadDefinitionFile(h.file))
        std::abort();
    const std::string& text = doc.DefinitionText;
    if ((!text.empty() && text.front() != '\n') || text.find("\n\n") != std::string::npos ||
        text.find('\t') != std::string::npos || text.find("//") != std::string::npos ||
        (!text.empty() && text.back() == '\n'))
        std::abort();
    WalkText(doc);

    doc.DefinitionText = bytes;
    WalkText(doc);
    return 0;
}
