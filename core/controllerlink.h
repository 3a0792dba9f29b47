#pragma once
// What the calibration core asks of the controller link. The link layer implements it
// (monitor, identification); until one is attached the document talks to NullControllerLink,
// which behaves like a link with no controller on it.
#include <string>

namespace vexa {

class ControllerLink {
public:
    virtual ~ControllerLink() = default;
    // The [Declarations] $NVMType chooses how the monitor addresses controller memory.
    virtual void SetAddressingModes(int nvmType) = 0;
    // Live value of a controller RAM symbol for formula references; -1000 when it cannot
    // be read.
    virtual int ReadSymbol(const std::string& name) = 0;
    // The controller check after a calibration is loaded. Returns 1 when a compatible
    // controller is connected, else 0.
    virtual int CheckController(int reportChanges, int force) = 0;
};

class NullControllerLink : public ControllerLink {
public:
    void SetAddressingModes(int) override {}
    int ReadSymbol(const std::string&) override { return -1000; }
    int CheckController(int, int) override { return 0; }
};

} // namespace vexa
