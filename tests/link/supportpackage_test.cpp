// The support mail: attachments and their names, the temporary copy of an unsaved
// calibration, the dump, and the messages after the hand-over.
#include "controllerfixture.h"
#include "link/supportpackage.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vexa {
namespace {

class FakeMail : public MailProgram {
public:
    bool Available() const override { return available; }
    int Send(const SupportMail& mail) override {
        sent.push_back(mail);
        for (const MailAttachment& a : mail.attachments)
            contents.push_back(testing::ReadFileBytes(a.path));
        return result;
    }
    bool ReadsAttachmentsLater() const override { return readsLater; }
    bool available = true;
    bool readsLater = false;
    int result = kMailSent;
    std::vector<SupportMail> sent;
    std::vector<std::string> contents; // each attachment as it was during Send
};

class SupportPackage : public ::testing::Test, protected testing::ControllerFixture {
protected:
    void SetUp() override {
        Start(SimOptions{}, 0, {{"eeprom.def", testing::LayoutDefinition("EepromBox", 16, 0)}});
        ChooseType("eeprom.def");
        request.doc = doc.get();
        request.title = "Untitled";
        request.controller = controller;
        request.ramDumpPath = dir.File("RAMDump.txt");
        request.tempDirectory = temp.path();
    }
    bool TempIsEmpty() { return std::filesystem::is_empty(temp.path()); }

    testing::TempDir temp;
    SupportMailRequest request;
    FakeMail mail;
};

TEST_F(SupportPackage, UnsavedDocumentGoesAsATemporaryCopy) {
    doc->SetModifiedFlag(true);
    EXPECT_EQ(SendSupportMail(request, mail), kMailSent);
    ASSERT_EQ(mail.sent.size(), 1u);
    const SupportMail& m = mail.sent[0];
    EXPECT_EQ(m.subject, "VEXA data for troubleshooting");
    EXPECT_EQ(m.recipientAddress, kSupportRecipientAddress);
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(m.attachments[0].shownName, "Untitled.gvr");
    EXPECT_EQ(std::filesystem::path(m.attachments[0].path).filename(), "Untitled.gvr");
    EXPECT_EQ(mail.contents[0], doc->SaveToBytes());
    EXPECT_EQ(m.attachments[1].path, request.ramDumpPath);
    EXPECT_EQ(m.attachments[1].shownName, "RAMDump.txt");
    // A fresh, complete dump: header, separator and 16 rows.
    EXPECT_EQ(std::count(mail.contents[1].begin(), mail.contents[1].end(), '\n'), 17);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_TRUE(host.messages.empty());
}

// A mail program that reads its attachments after the hand-over keeps the copy until the
// program removes its copies (at exit at the latest); a failed hand-over keeps nothing.
TEST_F(SupportPackage, CopyForAMailProgramThatReadsLaterIsRemovedAtTheEnd) {
    doc->SetModifiedFlag(true);
    mail.readsLater = true;
    mail.result = kMailFailed;
    EXPECT_EQ(SendSupportMail(request, mail), kMailFailed);
    EXPECT_TRUE(TempIsEmpty());

    mail.result = kMailSent;
    EXPECT_EQ(SendSupportMail(request, mail), kMailSent);
    const std::string copy = mail.sent.back().attachments[0].path;
    EXPECT_TRUE(std::filesystem::exists(copy));
    const std::vector<std::string> pending = PendingSupportMailCopies();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(std::filesystem::path(copy).parent_path(), pending[0]);
    RemoveSupportMailCopies();
    EXPECT_TRUE(TempIsEmpty());
    EXPECT_TRUE(PendingSupportMailCopies().empty());
}

TEST_F(SupportPackage, SavedDocumentIsAttachedFromItsFile) {
    const std::string path = dir.Write("cal/mine.gvr", doc->SaveToBytes());
    request.pathName = path;
    doc->SetModifiedFlag(false);
    EXPECT_EQ(SendSupportMail(request, mail), kMailSent);
    ASSERT_EQ(mail.sent.size(), 1u);
    EXPECT_EQ(mail.sent[0].attachments[0].path, path);
    EXPECT_EQ(mail.sent[0].attachments[0].shownName, "mine.gvr");
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(SupportPackage, MessagesAfterTheHandOver) {
    struct Case {
        int result;
        bool message;
    };
    for (const Case c :
         {Case{kMailUserAbort, false}, Case{kMailLoginFailure, false}, Case{kMailFailed, true}}) {
        host.messages.clear();
        mail.result = c.result;
        EXPECT_EQ(SendSupportMail(request, mail), c.result);
        EXPECT_EQ(host.messages.size(), c.message ? 1u : 0u) << c.result;
    }
    EXPECT_EQ(host.messages[0].text, "Send Mail failed to send message.");

    mail.available = false;
    mail.sent.clear();
    host.messages.clear();
    EXPECT_EQ(SendSupportMail(request, mail), -1);
    EXPECT_TRUE(mail.sent.empty());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Unable to load mail system support.");
}

TEST(SupportMailNames, AttachmentNameAndXdgArguments) {
    EXPECT_EQ(CalibrationAttachmentName("", "Untitled"), "Untitled.gvr");
    EXPECT_EQ(CalibrationAttachmentName("/a/b/cal.gvr", "x"), "cal.gvr");
    EXPECT_EQ(CalibrationAttachmentName("C:\\Cal\\old", "x"), "old.gvr");
    EXPECT_EQ(CalibrationAttachmentName("/a/" + std::string(257, 'n'), "x"), std::string(257, 'n'));
    SupportMail mail{"S", "N", "a@b", {{"/t/1.gvr", "1.gvr"}, {"/p/RAMDump.txt", "RAMDump.txt"}}};
    EXPECT_EQ(XdgEmailProgram::Arguments(mail),
              (std::vector<std::string>{"xdg-email", "--subject", "S", "--attach", "/t/1.gvr",
                                        "--attach", "/p/RAMDump.txt", "a@b"}));
}

} // namespace
} // namespace vexa
