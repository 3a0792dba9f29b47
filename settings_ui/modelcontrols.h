#pragma once
// The definition-driven controls of the settings pages as plain models: what each control
// shows (rectangles, texts, ranges, check states) and what a user action on it does to
// the document. The widget layer creates one widget per model, copies the model's state
// into it and forwards the user's actions to the page that owns the model
// (settings_ui/modelsettingspage.h); it never changes the calibration itself.
//
// Controls never carry out their GlobalInfluence flags themselves: they hand them to their
// owner (ControlOwner::RequestInfluence), which runs them once the build or user event in
// progress is over, so a control is never destroyed by its own change.
#include "core/displayformula.h"
#include "core/vlxdoc.h"
#include "formula/formulaparser.h"
#include "uicommon/controlidsource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexa {

// The caption of help boxes and other notices of the generated windows.
inline constexpr const char* kApplicationTitle = "VEXA Transmission Control";

// Push-button failures (the "\n" are line breaks).
inline constexpr const char* kExternalProgramError =
    "Could not open external program. Please try re-starting the application to correct "
    "this error. \n\n If this error persists, please call our tech support line for help.";
inline constexpr const char* kNoTargetError =
    "No target set for this button. Could not apply this change. Please try re-starting the "
    "application to correct this error. \n\n If this error persists, please call our tech "
    "support line for help.";
inline constexpr const char* kProcessStatusCaption = "Process Status Error:";
// A program, help file or picture named by a definition that lies outside the program
// directory; the caption is the name as the definition gives it.
inline constexpr const char* kOutsideProgramDirError =
    "Definition file error:\n\nThe file named above is not inside the program directory and "
    "was not opened. Please contact us for assistance.";

// GlobalInfluence flags.
enum Influence : int {
    kInfluenceRefresh = 1,      // refresh the views
    kInfluenceRebuildBars = 2,  // refresh the views and rebuild the tuning bar and dashboard
    kInfluenceRebuildSheet = 4, // rebuild the pages of the sheet holding the control
    kInfluenceRebuildPage = 8,  // rebuild the options of the control's own page
};

// Virtual key codes the numeric edit reacts to.
enum EditKey : int {
    kKeyLineFeed = 0x0A,
    kKeyReturn = 0x0D,
    kKeySpace = 0x20,
    kKeyUp = 0x26,
    kKeyDown = 0x28,
};

// Pixels in the page's client coordinates.
struct ControlRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ControlRect&) const = default;
};

// Starts what a push button's Execute names. The paths given are already checked to lie
// inside the program directory.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Shows a Rich Text file in the help viewer.
    virtual void ShowHelpFile(const std::string& path) = 0;
    // Starts a program without waiting; arguments[0] is the path itself. Returns a handle
    // other than 0, or 0 when the program could not be started.
    virtual std::int64_t StartProgram(const std::string& path,
                                      const std::vector<std::string>& arguments) = 0;
    // 1 while the program of handle runs, 0 once it has ended, -1 when that cannot be
    // asked (errorText then says why, as the system puts it).
    virtual int QueryProgram(std::int64_t handle, std::string& errorText) = 0;
};

class EditBoxModel;

// What a control needs from the page that holds it.
class ControlOwner {
public:
    virtual ~ControlOwner() = default;
    // The page's definition section with its brackets: the scope of its control states.
    virtual const std::string& SectionName() const = 0;
    // The LogicalName of the section item the page shows (empty without items).
    virtual const std::string& SelectedItemName() const = 0;
    // Makes the page's section (or item) the definition engine's current section.
    virtual void SelectSection() = 0;
    // GlobalInfluence flags a change asks for, carried out when the current build or
    // user event is over.
    virtual void RequestInfluence(int flags) = 0;
    virtual EditBoxModel* FindEditByLogicalName(const std::string& name) = 0;
    virtual ProgramLauncher* Launcher() = 0;
    virtual const std::string& ApplicationTitle() const = 0;
};

// --- Helpers shared by the models ----------------------------------------------------

// storedName (a definition's name of a file beside the program, "\" or "/" between its
// parts) joined to programDir. False, with path untouched, when the name is empty,
// absolute, carries a drive letter or has a ".." part: a calibration file brings its own
// definition text, so its names must not reach outside the program directory.
bool ResolveProgramFile(const std::string& programDir, const std::string& storedName,
                        std::string& path);

// Shows help in a message box with the application's title as caption. Always handled.
void ShowControlHelp(CVLXDoc* doc, const std::string& help, const std::string& title);

// --- The controls ----------------------------------------------------------------------

// A label, description or picture (CDynamicStatic). Labels of the settings pages have no
// window id of their own.
struct StaticModel {
    ControlRect rect;
    std::string text;
    bool visible = true;
    bool colourFlag = false;
    std::uint32_t textColour = 0xFF0000; // 0x00BBGGRR
    std::uint32_t backColour = 0x80FF80; // 0x00BBGGRR
    std::string picturePath;             // a picture static's bitmap file, empty for none
};

// Members every control of the family has.
struct ControlCommon {
    explicit ControlCommon(ControlIdSource* ids) : id(ids) {}
    ControlIdLease id;
    std::string logicalName; // at most 51 characters
    int index = -1;          // position in the page's list of its class
    int tabOrder = -1;       // position among all of the page's controls, as they were made
    std::string helpText;
    int globalInfluence = 0;
    ControlRect rect;
};

// A drop-down list (CDynamicComboBox). rect spans the field and its open list.
struct ComboBoxModel : ControlCommon {
    using ControlCommon::ControlCommon;
    bool selection = false; // the page's SelectionCombo
    std::vector<std::string> entries;
    int selected = -1;
    std::unique_ptr<StaticModel> label;
};

// A numeric field bound to variables through formulas (CDynamicEdit).
class EditBoxModel : public ControlCommon {
public:
    static constexpr std::size_t kMaxTextLength = 70;

    explicit EditBoxModel(ControlIdSource* ids) : ControlCommon(ids) {}

    // Reads the block's keys (block scope), takes the first value, stores and shows it.
    void SetupFromDefinition(CVLXDoc& doc, ControlOwner& owner);

    // The field's text as shown; SetText takes what the user typed (at most 70 characters).
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text) { text_ = text.substr(0, kMaxTextLength); }
    // Whether the text differs from what the field showed last: the user typed something
    // that is not stored yet.
    bool HasTypedText() const { return text_ != shown_; }

    void CommitText();
    void StepValue(int steps);
    void StoreValue();
    void RefreshText();

    void KeyDown(int key, int repeatCount, bool shift);
    // false: the character is swallowed (a space); true: the field takes it.
    static bool AcceptsCharacter(char c) { return c != ' '; }
    void Wheel(int delta);
    // Leaving the field stores what was typed. A text the user left as it was shown is not
    // read back: the shown text is rounded, so storing it would change the value.
    void FocusLost();

    float Value() const { return value_; }
    float MinValue() const { return minValue_; }
    float MaxValue() const { return maxValue_; }
    float DeltaIncrement() const { return deltaIncrement_; }
    const std::string& DisplayFormat() const { return displayFormat_; }
    CFormulaParser& Parser() { return parser_; }

    std::unique_ptr<StaticModel> label;

private:
    using Target = StoreTarget;
    static void ReadStoreFormula(CVLXDoc& doc, const char* key, Target& target);
    void WriteTarget(const Target& target, float value, bool setBack);
    double EvaluateWith(const std::string& formula, double x);

    CVLXDoc* doc_ = nullptr;
    ControlOwner* owner_ = nullptr;
    CFormulaParser parser_;
    float value_ = 1.0f;
    float deltaIncrement_ = 1.0f;
    float minValue_ = 0.1f;
    float maxValue_ = 10000.0f;
    std::string displayFormat_ = "%#.2f";
    std::string displayFormula_ = "%#.2f = x";
    Target targets_[3] = {{"x", {}, -1}, {}, {}};
    int wheel_ = 0;
    std::string text_;
    std::string shown_; // the text as RefreshText last made it
};

// A free-text field bound to a string variable or to the control state (CDynamicText).
class TextBoxModel : public ControlCommon {
public:
    explicit TextBoxModel(ControlIdSource* ids) : ControlCommon(ids) {}

    void SetupFromDefinition(CVLXDoc& doc, ControlOwner& owner);
    // The user changed the text.
    void StoreText(const std::string& text);

    const std::string& Text() const { return text_; }
    const std::string& TargetVar() const { return targetVar_; }

    std::unique_ptr<StaticModel> label;
    bool fullWidth = false; // xPosition 4: 680 wide, 300 high

private:
    // The control-state form of a text: ";" and ":" delimit control-state entries, so
    // they are kept as spaces there.
    static std::string StateForm(const std::string& text);

    CVLXDoc* doc_ = nullptr;
    ControlOwner* owner_ = nullptr;
    std::string targetVar_;
    int stringSlot_ = -1;
    std::string text_;
};

// A push button, check box, radio button or group box (CDynamicButton).
class ButtonModel : public ControlCommon {
public:
    enum Kind : int { kPushButton = 0, kCheckBox = 1, kRadioButton = 2, kGroupBox = 3 };

    explicit ButtonModel(ControlIdSource* ids) : ControlCommon(ids) {}

    // Records kind and document; a push button reads its keys from the current block and
    // looks its target up among the page's EditBoxes.
    void SetupFromDefinition(int kind, CVLXDoc* doc, ControlOwner& owner);

    // The platform's click notification; checked is the state after the click.
    void Click(bool checkedAfterClick);
    void RunAction();
    // 1 on success (including "still running" and refusals already reported), 0 when the
    // program could not be started.
    int LaunchProgram();

    // The button text without its mnemonic "&" marks: the caption of its messages.
    std::string Caption() const;

    int Kind() const { return kind_; }
    EditBoxModel* TargetEdit() const { return target_; }
    const std::string& Execute() const { return execute_; }
    std::int64_t ProcessHandle() const { return process_; }

    std::string text; // DisplayName, a radio button's TxtState, a group box's title
    bool checked = false;
    int radioIndex = -1;
    bool groupStart = false; // first button of a radio group (WS_GROUP)
    bool tabStop = true;

private:
    CVLXDoc* doc_ = nullptr;
    ControlOwner* owner_ = nullptr;
    int kind_ = -1;
    EditBoxModel* target_ = nullptr;
    std::string actionFormula_;
    std::string actionFailText_;
    std::string rangeFailFmt_;
    float minValue_ = 0.1f;
    float maxValue_ = 10000.0f;
    std::string execute_;
    std::string execMarker_;
    std::int64_t process_ = 0;
};

} // namespace vexa
