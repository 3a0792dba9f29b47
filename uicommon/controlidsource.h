#pragma once
// Where the controls generated from the definition text take their window ids, and the id
// a control holds for its life. The main window's source is its ControlIdRegistry
// (uicommon/controlidregistry.h), which also keeps the status-bar prompt, tool tip and help
// text it shows for an id; a source that keeps no texts ignores them.
#include <string>

namespace vexa {

class ControlIdSource {
public:
    virtual ~ControlIdSource() = default;
    // The first free id from index start on; 0 when every id is taken.
    virtual int AllocateControlId(int start) = 0;
    virtual void ReleaseControlId(int id) = 0;
    virtual void SetControlStatusText(int id, const std::string& text);
    virtual void SetControlToolTip(int id, const std::string& text);
    // help must live until the id is released; the first registration for an id wins.
    virtual void SetControlHelpText(int id, const std::string* help);
};

// An id taken at construction and given back by Release or at destruction. Without a
// source the id is 0, and a control with id 0 has no texts.
class ControlIdLease {
public:
    explicit ControlIdLease(ControlIdSource* source)
        : source_(source), id_(source ? source->AllocateControlId(0) : 0) {}
    ~ControlIdLease() { Release(); }
    ControlIdLease(const ControlIdLease&) = delete;
    ControlIdLease& operator=(const ControlIdLease&) = delete;

    int Id() const { return id_; }
    // Registers the texts under the id; empty ones are not registered.
    void RegisterTexts(const std::string* help, const std::string& status,
                       const std::string& toolTip);
    void Release();

private:
    ControlIdSource* source_;
    int id_;
};

} // namespace vexa
