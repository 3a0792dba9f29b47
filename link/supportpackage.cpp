#include "link/supportpackage.h"

#include "core/atomicfile.h"
#include "core/programpaths.h"
#include "core/vlxdoc.h"
#include "link/vlxcontroller.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#ifdef _WIN32
#include <chrono>
#include <windows.h>
#else
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace vexa {

namespace {

constexpr std::size_t kMaxPath = 260;

#ifdef _WIN32

// A fresh directory for the temporary copy; empty when none could be made.
std::string MakeTempDirectory(const std::string& parent) {
    std::error_code ec;
    const std::string base =
        parent.empty() ? std::filesystem::temp_directory_path(ec).string() : parent;
    auto salt = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt, salt = salt * 6364136223846793005ULL + 1) {
        const std::string candidate =
            JoinStoredPath(base, "afx" + std::to_string(::GetCurrentProcessId()) + "-" +
                                     std::to_string(salt % 1000000007ULL));
        if (std::filesystem::create_directory(candidate, ec))
            return candidate;
        if (ec)
            return {};
    }
    return {};
}

} // namespace

// xdg-email is a desktop tool of Linux; Windows reaches its mail program through another
// MailProgram.
bool XdgEmailProgram::Available() const {
    return false;
}

int XdgEmailProgram::Send(const SupportMail&) {
    return kMailFailed;
}

#else

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// A fresh directory for the temporary copy; empty when none could be made.
std::string MakeTempDirectory(const std::string& parent) {
    std::error_code ec;
    std::string base = parent.empty() ? std::filesystem::temp_directory_path(ec).string() : parent;
    if (base.empty())
        base = "/tmp";
    std::string pattern = base + "/afxXXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

} // namespace

bool XdgEmailProgram::Available() const {
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    std::string list(path);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && IsExecutableFile(dir + "/xdg-email"))
            return true;
        start = end + 1;
    }
    return false;
}

int XdgEmailProgram::Send(const SupportMail& mail) {
    std::vector<std::string> args = Arguments(mail);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "xdg-email", nullptr, nullptr, argv.data(), environ) != 0)
        return kMailFailed;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return kMailFailed;
    return WEXITSTATUS(status) == 0 ? kMailSent : kMailFailed;
}

#endif

namespace {

// The copies a mail program may still be reading; whatever is left goes at exit.
class CopyFolders {
public:
    ~CopyFolders() { RemoveAll(); }
    void Add(const std::string& folder) {
        std::lock_guard<std::mutex> lock(mutex_);
        folders_.push_back(folder);
    }
    void RemoveAll() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::string& folder : folders_) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
        folders_.clear();
    }
    std::vector<std::string> List() {
        std::lock_guard<std::mutex> lock(mutex_);
        return folders_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> folders_;
};

CopyFolders& LeftCopies() {
    static CopyFolders copies;
    return copies;
}

// Whether the file at path holds exactly bytes.
bool FileHolds(const std::string& path, const std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::string held((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return !file.bad() && held == bytes;
}

} // namespace

void RemoveSupportMailCopies() {
    LeftCopies().RemoveAll();
}

std::vector<std::string> PendingSupportMailCopies() {
    return LeftCopies().List();
}

std::vector<std::string> XdgEmailProgram::Arguments(const SupportMail& mail) {
    std::vector<std::string> args{"xdg-email", "--subject", mail.subject};
    for (const MailAttachment& attachment : mail.attachments) {
        args.push_back("--attach");
        args.push_back(attachment.path);
    }
    args.push_back(mail.recipientAddress);
    return args;
}

std::string CalibrationAttachmentName(const std::string& pathName, const std::string& title) {
    std::string name = pathName.empty() ? title : StoredFileName(pathName);
    if (name.find('.') == std::string::npos && name.size() + 4 < kMaxPath)
        name += ".gvr";
    return name;
}

int SendSupportMail(const SupportMailRequest& request, MailProgram& mail) {
    CVLXDoc& doc = *request.doc;
    if (!mail.Available()) {
        doc.ShowMessage("Unable to load mail system support.", kSupportMessageCaption,
                        kMbIconExclamation);
        return -1;
    }
    const std::string shownName = CalibrationAttachmentName(request.pathName, request.title);
    std::string calibrationPath;
    std::string tempDirectory;
    // The file itself goes only while it holds what the window shows: a read that failed
    // or was taken back leaves the document named after a readback file that holds
    // something else, or is not there at all.
    const std::string shown = doc.SaveToBytes();
    if (!request.pathName.empty() && !doc.IsModified() && FileHolds(request.pathName, shown)) {
        calibrationPath = request.pathName;
    } else {
        // The copy carries the shown name, since the mail program shows the file's own name.
        tempDirectory = MakeTempDirectory(request.tempDirectory);
        if (tempDirectory.empty())
            return -1;
        calibrationPath = tempDirectory + "/" + shownName;
        std::string error;
        if (!WriteFileAtomically(calibrationPath, shown, error)) {
            std::error_code ec;
            std::filesystem::remove_all(tempDirectory, ec);
            return -1;
        }
    }
    if (request.controller != nullptr)
        request.controller->DumpControllerState(request.ramDumpPath);

    SupportMail message;
    message.subject = kSupportMailSubject;
    message.recipientName = kSupportRecipientName;
    message.recipientAddress = kSupportRecipientAddress;
    message.attachments = {{calibrationPath, shownName},
                           {request.ramDumpPath, StoredFileName(request.ramDumpPath)}};
    const int result = mail.Send(message);
    if (result != kMailSent && result != kMailUserAbort && result != kMailLoginFailure)
        doc.ShowMessage("Send Mail failed to send message.", kSupportMessageCaption,
                        kMbIconExclamation);
    if (!tempDirectory.empty()) {
        if (mail.ReadsAttachmentsLater() && result == kMailSent) {
            LeftCopies().Add(tempDirectory);
        } else {
            std::error_code ec;
            std::filesystem::remove_all(tempDirectory, ec);
        }
    }
    return result;
}

} // namespace vexa
