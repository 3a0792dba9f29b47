#include "settings_ui/modelcontrols.h"

#include "core/programpaths.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace vexa {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string TrimRight(std::string text) {
    while (!text.empty() && IsBlank(text.back()))
        text.pop_back();
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    return TrimRight(text.substr(start));
}

// value + 0.5 truncated toward zero as a 16-bit integer, the way integer targets store.
// Values beyond the 32-bit range saturate there first, so the conversion stays defined.
std::int16_t RoundToInt16(double value) {
    double rounded = value + 0.5;
    if (std::isnan(rounded))
        rounded = 0.0;
    if (rounded >= 2147483647.0)
        rounded = 2147483647.0;
    if (rounded <= -2147483648.0)
        rounded = -2147483648.0;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(rounded));
}

} // namespace

bool ResolveProgramFile(const std::string& programDir, const std::string& storedName,
                        std::string& path) {
    if (storedName.empty() || storedName.front() == '/' || storedName.front() == '\\')
        return false;
    if (storedName.find(':') != std::string::npos)
        return false; // a drive letter or a stream name
    std::size_t start = 0;
    while (start <= storedName.size()) {
        std::size_t end = storedName.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = storedName.size();
        if (Trim(storedName.substr(start, end - start)) == "..")
            return false;
        start = end + 1;
    }
    path = JoinStoredPath(programDir, storedName);
    return true;
}

void ShowControlHelp(CVLXDoc* doc, const std::string& help, const std::string& title) {
    if (doc && !help.empty())
        doc->ShowMessage(help, title, kMbOk);
}

// --- EditBoxModel ------------------------------------------------------------------------

void EditBoxModel::ReadStoreFormula(CVLXDoc& doc, const char* key, Target& target) {
    std::string text;
    if (doc.ReadKeyString(key, text, kBlockScope))
        target = ParseStoreFormula(text);
}

void EditBoxModel::SetupFromDefinition(CVLXDoc& doc, ControlOwner& owner) {
    doc_ = &doc;
    owner_ = &owner;

    std::string display;
    doc.ReadKeyString("DisplayFormula", display, kBlockScope, "%#.2f = x");
    const DisplayFormula shown = ParseDisplayFormula(display);
    displayFormat_ = shown.format;
    displayFormula_ = shown.formula;

    ReadStoreFormula(doc, "StoreFormula", targets_[0]);
    ReadStoreFormula(doc, "StoreFormula2", targets_[1]);
    ReadStoreFormula(doc, "StoreFormula3", targets_[2]);

    doc.ReadKeyFloat("MinValue", minValue_, kBlockScope);
    doc.ReadKeyFloat("MaxValue", maxValue_, kBlockScope);
    doc.ReadKeyFloat("DeltaIncrement", deltaIncrement_, kBlockScope);
    doc.ReadKeyFloat("DefValue", value_, kBlockScope);
    doc.ReadKeyInt("GlobalInfluence", globalInfluence, kBlockScope);

    const Target& first = targets_[0];
    if (first.name.size() < 3) {
        doc.GetControlState(owner.SectionName(), logicalName, value_);
    } else if (first.kind == 0) {
        if (const IntVariableRef ref = doc.FindIntVariable(first.name))
            value_ = static_cast<float>(ref.Get());
    } else if (first.kind == 1) {
        if (const FloatVariableRef ref = doc.FindFloatVariable(first.name))
            value_ = ref.Get();
    }

    StoreValue();
    RefreshText();
}

double EditBoxModel::EvaluateWith(const std::string& formula, double x) {
    return EvaluateSettingFormula(*doc_, parser_, formula, x);
}

void EditBoxModel::RefreshText() {
    if (!doc_)
        return;
    const double shown = EvaluateWith(displayFormula_, static_cast<double>(value_));
    std::string text = FormatDoubles(displayFormat_, shown);
    if (text != text_)
        text_ = std::move(text);
    shown_ = text_;
}

void EditBoxModel::CommitText() {
    wheel_ = 0;
    if (!doc_)
        return;
    float typed = 0.0f;
    // Not a number (nor a number that is not finite, such as "nan"): nothing is stored.
    if (std::sscanf(text_.c_str(), "%g", &typed) == 1 && std::isfinite(typed)) {
        const float old = value_;
        const auto computed =
            static_cast<float>(EvaluateWith(targets_[0].formula, static_cast<double>(typed)));
        if (!std::isnan(computed)) {
            value_ = computed;
            StoreValue();
            if (value_ != old)
                doc_->SetModifiedFlag();
        }
    }
    RefreshText();
}

void EditBoxModel::WriteTarget(const Target& target, float value, bool setBack) {
    if (target.kind == 0) {
        const std::int16_t whole = RoundToInt16(static_cast<double>(value));
        if (setBack)
            value_ = whole;
        if (const IntVariableRef ref = doc_->FindIntVariable(target.name))
            ref.Set(whole);
    } else if (target.kind == 1) {
        if (const FloatVariableRef ref = doc_->FindFloatVariable(target.name))
            ref.Set(value);
    }
}

void EditBoxModel::StoreValue() {
    if (!doc_)
        return;
    if (value_ > maxValue_)
        value_ = maxValue_;
    else if (value_ < minValue_)
        value_ = minValue_;

    if (targets_[0].name.size() < 3)
        doc_->SetControlState(owner_->SectionName(), logicalName, value_);
    WriteTarget(targets_[0], value_, true);

    for (int k = 1; k < 3; ++k) {
        const Target& target = targets_[k];
        if (target.formula.empty())
            continue;
        const auto w =
            static_cast<float>(EvaluateWith(target.formula, static_cast<double>(value_)));
        WriteTarget(target, w, false);
    }
    owner_->RequestInfluence(globalInfluence);
}

void EditBoxModel::StepValue(int steps) {
    if (!doc_)
        return;
    const float old = value_;
    value_ = value_ + static_cast<float>(steps) * deltaIncrement_;
    StoreValue();
    RefreshText();
    if (value_ != old)
        doc_->SetModifiedFlag();
}

void EditBoxModel::KeyDown(int key, int repeatCount, bool shift) {
    const int multiplier = shift ? 5 : 1;
    if (key == kKeyReturn || key == kKeyLineFeed || key == kKeySpace)
        CommitText();
    else if (key == kKeyUp)
        StepValue(repeatCount * multiplier);
    else if (key == kKeyDown)
        StepValue(-repeatCount * multiplier);
}

void EditBoxModel::FocusLost() {
    if (HasTypedText())
        CommitText();
    else
        wheel_ = 0;
}

void EditBoxModel::Wheel(int delta) {
    wheel_ += delta;
    if (wheel_ >= 120 || wheel_ <= -120) {
        const int steps = wheel_ / 120;
        wheel_ %= 120;
        StepValue(steps);
    }
}

// --- TextBoxModel ------------------------------------------------------------------------

std::string TextBoxModel::StateForm(const std::string& text) {
    std::string form = text.substr(0, 50);
    for (char& c : form) {
        if (c == ';' || c == ':')
            c = ' ';
    }
    return form;
}

void TextBoxModel::SetupFromDefinition(CVLXDoc& doc, ControlOwner& owner) {
    doc_ = &doc;
    owner_ = &owner;
    doc.ReadKeyString("TargetVar", targetVar_, kBlockScope);
    doc.ReadKeyInt("GlobalInfluence", globalInfluence, kBlockScope);

    text_.clear();
    // A TargetVar that names no string variable is reported once by the lookup; the
    // field then keeps its text in the control state like a field without one.
    stringSlot_ = targetVar_.empty() ? -1 : doc.FindStringIndex(targetVar_);
    if (stringSlot_ >= 0)
        text_ = doc.Slot(stringSlot_).name;
    else
        doc.ControlState(owner.SectionName(), logicalName, text_, 0);
}

void TextBoxModel::StoreText(const std::string& text) {
    if (!doc_)
        return;
    bool changed = false;
    if (stringSlot_ >= 0) {
        std::string& value = doc_->Slot(stringSlot_).name;
        changed = value != text;
        value = text;
    } else {
        std::string old;
        doc_->ControlState(owner_->SectionName(), logicalName, old, 0);
        std::string stored = StateForm(text);
        changed = old != stored;
        doc_->ControlState(owner_->SectionName(), logicalName, stored, 1);
    }
    text_ = text;
    if (changed)
        doc_->SetModifiedFlag();
    owner_->RequestInfluence(globalInfluence);
}

// --- ButtonModel -------------------------------------------------------------------------

std::string ButtonModel::Caption() const {
    std::string caption;
    for (char c : text) {
        if (c != '&')
            caption += c;
    }
    return caption;
}

void ButtonModel::SetupFromDefinition(int kind, CVLXDoc* doc, ControlOwner& owner) {
    kind_ = kind;
    doc_ = doc;
    owner_ = &owner;
    if (kind != kPushButton || !doc)
        return;
    std::string targetName;
    if (doc->ReadKeyString("TargetLName", targetName, kBlockScope)) {
        target_ = owner.FindEditByLogicalName(targetName);
        doc->ReadKeyString("ActionFormula", actionFormula_, kBlockScope);
        doc->ReadKeyString("ActionFailText", actionFailText_, kBlockScope);
        doc->ReadKeyString("RangeFailFmt", rangeFailFmt_, kBlockScope);
        doc->ReadKeyFloat("MinValue", minValue_, kBlockScope);
        doc->ReadKeyFloat("MaxValue", maxValue_, kBlockScope);
    } else if (doc->ReadKeyString("Execute", execute_, kBlockScope)) {
        execMarker_ = "###Exec";
    }
    doc->ReadKeyInt("GlobalInfluence", globalInfluence, kBlockScope);
}

void ButtonModel::Click(bool checkedAfterClick) {
    if (!doc_ || kind_ < kPushButton || kind_ > kRadioButton)
        return; // a group box answers no clicks
    checked = checkedAfterClick;
    if (kind_ == kPushButton && radioIndex < 0) {
        RunAction();
        owner_->RequestInfluence(globalInfluence);
        return;
    }
    const std::string& section = owner_->SectionName();
    if (radioIndex >= 0) {
        if (!checkedAfterClick)
            return;
        std::int32_t state = radioIndex;
        doc_->SetControlState(section, logicalName, state);
        owner_->SelectSection();
        if (doc_->FindBlockByLogicalName("UserOption", logicalName))
            doc_->ApplyActionList("BitValState" + std::to_string(state), kBlockScope, nullptr,
                                  nullptr);
        return;
    }
    std::int32_t state = checkedAfterClick ? 1 : 0;
    doc_->SetControlState(section, logicalName, state);
    owner_->SelectSection();
    if (doc_->FindBlockByLogicalName("UserOption", logicalName))
        doc_->ApplyActionList("BitValState" + std::to_string(state), kBlockScope, nullptr, nullptr);
}

void ButtonModel::RunAction() {
    if (!doc_)
        return;
    if (target_) {
        std::string format;
        std::string formula;
        if (!SplitAtEquals(actionFormula_, format, formula)) {
            format.clear();
            formula = Trim(actionFormula_);
        }
        // Without a format the value is sent as the shortest plain number; a format that
        // would read arguments it is not given is replaced the same way.
        if (format.empty() || !FormatFitsDoubles(format, 1))
            format = "%g";
        if (doc_->SubstituteReferences(formula, 0.0f) == kMissingValue) {
            doc_->ShowMessage(actionFailText_, Caption(), kMbIconExclamation);
            return;
        }
        int errorPosition = 0;
        std::string errorText;
        const auto value = static_cast<float>(
            target_->Parser().Evaluate(formula, 1.0, errorPosition, errorText, 1));
        const std::string sent = FormatDoubles(format, static_cast<double>(value));
        if (value < minValue_ || value > maxValue_) {
            const std::string message =
                FormatFitsDoubles(rangeFailFmt_, 3)
                    ? FormatDoubles(rangeFailFmt_, static_cast<double>(value),
                                    static_cast<double>(minValue_), static_cast<double>(maxValue_))
                    : rangeFailFmt_;
            doc_->ShowMessage(message, Caption(), kMbIconExclamation);
            return;
        }
        target_->SetText(sent);
        target_->CommitText();
        return;
    }
    if (!execMarker_.empty()) {
        const bool helpFile =
            execute_.size() >= 4 && execute_.compare(execute_.size() - 4, 4, ".rtf") == 0;
        if (helpFile) {
            std::string path;
            if (!ResolveProgramFile(doc_->ProgramDir, execute_, path)) {
                doc_->ShowMessage(kOutsideProgramDirError, execute_, kMbIconExclamation);
                return;
            }
            if (ProgramLauncher* launcher = owner_->Launcher())
                launcher->ShowHelpFile(path);
            return;
        }
        if (!LaunchProgram())
            doc_->ShowMessage(kExternalProgramError, Caption(), kMbIconExclamation);
        return;
    }
    doc_->ShowMessage(kNoTargetError, Caption(), kMbIconExclamation);
}

int ButtonModel::LaunchProgram() {
    ProgramLauncher* launcher = owner_ ? owner_->Launcher() : nullptr;
    if (process_ != 0 && launcher) {
        std::string errorText;
        const int running = launcher->QueryProgram(process_, errorText);
        if (running < 0) {
            if (doc_)
                doc_->ShowMessage(errorText.substr(0, 1024), kProcessStatusCaption, kMbOk);
            process_ = 0;
            return 1;
        }
        if (running == 1)
            return 1;
        process_ = 0;
    }
    if (!doc_)
        return 1;
    std::string path;
    if (!ResolveProgramFile(doc_->ProgramDir, execute_, path)) {
        doc_->ShowMessage(kOutsideProgramDirError, execute_, kMbIconExclamation);
        return 1; // refused and reported
    }
    if (!launcher)
        return 0;
    std::fflush(nullptr);
    process_ = launcher->StartProgram(path, {path, "", ""});
    return process_ != 0 ? 1 : 0;
}

} // namespace vexa
