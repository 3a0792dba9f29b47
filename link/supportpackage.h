#pragma once
// The support e-mail: a message to technical support with the current calibration file and
// a fresh dump of the controller's RAM attached, handed to the user's mail program, where
// the user reviews and sends it.
#include "core/documenthost.h"

#include <string>
#include <vector>

namespace vexa {

class CVLXDoc;
class CVLXController;

inline constexpr const char* kSupportMailSubject = "VEXA data for troubleshooting";
// The technical-support mailbox the message is addressed to.
inline constexpr const char* kSupportRecipientName = "VEXA Technical Support";
inline constexpr const char* kSupportRecipientAddress = "support@vexa-tcs.com";
// The caption of the program's own message boxes.
inline constexpr const char* kSupportMessageCaption = "VEXA Transmission Control";

struct MailAttachment {
    std::string path;      // the file to attach
    std::string shownName; // the name the recipient sees
};

struct SupportMail {
    std::string subject;
    std::string recipientName;
    std::string recipientAddress;
    std::vector<MailAttachment> attachments; // in this order: calibration, RAM dump
};

// Results of MailProgram::Send.
enum MailResult : int {
    kMailSent = 0,         // handed over (the user sends it from the mail program)
    kMailUserAbort = 1,    // the user cancelled in the mail program
    kMailFailed = 2,       // anything else that went wrong
    kMailLoginFailure = 3, // the mail program could not log on
};

// The user's mail program.
class MailProgram {
public:
    virtual ~MailProgram() = default;
    // Whether a mail program can be reached at all; the menu command is offered only then.
    virtual bool Available() const = 0;
    // Opens a prepared message for the user. Returns a MailResult.
    virtual int Send(const SupportMail& mail) = 0;
    // True when the mail program may still read the attachments after Send returned, so
    // a temporary copy must stay (in the temporary folder) rather than be removed.
    virtual bool ReadsAttachmentsLater() const { return false; }
};

// The desktop's mail program through xdg-email (subject, recipient and one --attach per
// attachment). Available when xdg-email is found on PATH.
class XdgEmailProgram : public MailProgram {
public:
    bool Available() const override;
    int Send(const SupportMail& mail) override;
    // xdg-email returns once the mail program has been started.
    bool ReadsAttachmentsLater() const override { return true; }
    // The argument list Send passes to xdg-email.
    static std::vector<std::string> Arguments(const SupportMail& mail);
};

// The name the calibration attachment is shown under: the file-name part of pathName, or
// title when pathName is empty, with ".gvr" appended when it has no "." and stays under
// 260 characters.
std::string CalibrationAttachmentName(const std::string& pathName, const std::string& title);

struct SupportMailRequest {
    CVLXDoc* doc = nullptr;               // required
    std::string pathName;                 // the document's file; empty when never saved
    std::string title;                    // the document's title ("Untitled")
    CVLXController* controller = nullptr; // for the dump; null skips it
    std::string ramDumpPath;              // RAMDump.txt where the program paths say
    std::string tempDirectory;            // for the unsaved document's copy; empty: the system's
};

// "E-mail Data to Tech Support for Assistance": attaches the document's file when it is
// saved and unmodified, else a temporary copy (named as the attachment is shown, removed
// afterwards, or, when the mail program reads it later, by RemoveSupportMailCopies at the
// latest when the program exits; the document's modified mark stays); dumps the
// controller's RAM (its result does not matter); hands the message to mail. Shows "Unable to load
// mail system support." when no mail program is available and "Send Mail failed to send message."
// when the hand- over failed (not after a user abort or a logon failure). A copy that cannot be
// saved ends the command without a message. Returns the MailResult, or -1 when nothing was handed
// over.
int SendSupportMail(const SupportMailRequest& request, MailProgram& mail);

// Removes the temporary copies left for a mail program that reads its attachments later.
// Runs by itself when the program exits; the windowed program also calls it on closing.
void RemoveSupportMailCopies();
// The folders of those copies still in place.
std::vector<std::string> PendingSupportMailCopies();

} // namespace vexa
