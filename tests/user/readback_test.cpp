// A calibration read from the controller as a user goes on from it: the read taken back,
// a read that failed, and then the support e-mail, whose attached calibration must be the
// one the window shows.
#include "graph/vlxview.h"
#include "link/supportpackage.h"
#include "userfixture.h"

#include <filesystem>

namespace vexa::testing {
namespace {

// A mail program that keeps what it was handed: each attachment's bytes as they were when
// the message was opened ("missing" when the file was not there).
class KeptMail : public MailProgram {
public:
    explicit KeptMail(std::vector<std::string>& calibrations) : calibrations_(calibrations) {}
    bool Available() const override { return true; }
    int Send(const SupportMail& mail) override {
        const std::string& path = mail.attachments.at(0).path;
        calibrations_.push_back(std::filesystem::is_regular_file(path) ? ReadFileBytes(path)
                                                                       : "missing");
        return kMailSent;
    }

private:
    std::vector<std::string>& calibrations_;
};

class ReadbackTest : public UserTest {
protected:
    AppOptions WithMail(const std::string& file) {
        AppOptions options = Options(file);
        options.mail = std::make_unique<KeptMail>(mailed);
        return options;
    }
    std::vector<float> Curve(int trace) {
        std::vector<float> values;
        for (int p = 0; p < kPointsPerCurve; ++p)
            values.push_back(Frame().View()->Engine().GetValue(trace, p));
        return values;
    }
    // An item of the File menu chosen by its underlined letter.
    void FileMenu(Qt::Key mnemonic) {
        Activate(Frame());
        ChooseMenuItem(Qt::Key_F, mnemonic);
    }
    void ReadFromController() { FileMenu(Qt::Key_E); }
    void MailToSupport() { FileMenu(Qt::Key_M); }

    std::vector<std::string> mailed;
};

TEST_F(ReadbackTest, AfterAnUndoneReadTheSupportMailCarriesTheCalibrationShown) {
    const std::string file = MakeCalibration("4l60e.def", "street.gvr");
    Start(WithMail(file));
    ConnectAndPoll();
    const std::vector<float> opened = Curve(0);
    const std::string shown = Doc().SaveToBytes();

    // A readback saved under the name a read gives the document, then the file opened again.
    ReadFromController();
    ASSERT_TRUE(Doc().SaveToBytes() != shown) << "the controller holds another calibration";
    const std::string readback = app->PathName();
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(std::filesystem::exists(readback));
    app->fileDialog = [file](QWidget*, bool save, const std::string&) {
        return save ? std::string() : file;
    };
    Key(Frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(app->PathName(), file);

    // Read again, and Ctrl+Z takes the read back: the window shows the opened calibration,
    // which is not what the file of the document's present name holds.
    ReadFromController();
    ASSERT_EQ(app->PathName(), readback);
    Key(Frame(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(Curve(0), opened);
    ASSERT_TRUE(Doc().SaveToBytes() == shown);
    EXPECT_TRUE(Doc().IsModified());

    MailToSupport();
    ASSERT_EQ(mailed.size(), 1u);
    EXPECT_TRUE(mailed[0] == shown) << "the attached calibration is not the one shown";
}

TEST_F(ReadbackTest, AfterAFailedReadTheSupportMailCarriesTheCalibrationShown) {
    const std::string file = MakeCalibration("4l60e.def", "street.gvr");
    AppOptions options = WithMail(file);
    options.simOptions.faults.silentAfter = 2000; // in the middle of the read
    Start(std::move(options));
    ConnectAndPoll();
    const std::string shown = Doc().SaveToBytes();

    ReadFromController();
    ASSERT_EQ(script.Captions(), std::vector<std::string>{"EEPROM Byte Read Error:"});
    ASSERT_TRUE(Doc().SaveToBytes() == shown);

    MailToSupport();
    ASSERT_EQ(mailed.size(), 1u);
    EXPECT_TRUE(mailed[0] == shown) << "the attached calibration is not the one shown";
}

} // namespace
} // namespace vexa::testing
