#include "uicommon/controlidsource.h"

namespace vexa {

void ControlIdSource::SetControlStatusText(int, const std::string&) {}
void ControlIdSource::SetControlToolTip(int, const std::string&) {}
void ControlIdSource::SetControlHelpText(int, const std::string*) {}

void ControlIdLease::RegisterTexts(const std::string* help, const std::string& status,
                                   const std::string& toolTip) {
    if (!source_ || id_ == 0)
        return;
    if (help && !help->empty())
        source_->SetControlHelpText(id_, help);
    if (!status.empty())
        source_->SetControlStatusText(id_, status);
    if (!toolTip.empty())
        source_->SetControlToolTip(id_, toolTip);
}

void ControlIdLease::Release() {
    if (source_ && id_ != 0)
        source_->ReleaseControlId(id_);
    id_ = 0;
}

} // namespace vexa
