#pragma once
// A scripted controller: a ByteTransport that checks what the host writes against a
// script and answers with canned bytes. Steps run in order: Echo(bytes) expects the bytes
// and echoes each as it arrives, Expect(bytes) expects them silently, Reply(bytes) queues
// bytes for the host as soon as the steps before it are done. A byte that differs from the
// script stops all answers and is recorded, so a test sees where the exchange went wrong.
#include "link/bytetransport.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace vexa::testing {

class ScriptedPeer : public ByteTransport {
public:
    ScriptedPeer& Echo(const std::string& bytes) { return Add(Kind::Echo, bytes); }
    ScriptedPeer& Expect(const std::string& bytes) { return Add(Kind::Expect, bytes); }
    ScriptedPeer& Reply(const std::string& bytes) { return Add(Kind::Reply, bytes); }

    int Open(std::string& error) override {
        ++opens;
        if (!openResult)
            error = "scripted open failure";
        open_ = openResult;
        return openResult ? 1 : 0;
    }
    void Close() override {
        ++closes;
        open_ = false;
    }
    bool IsOpen() const override { return open_; }
    int Read(std::uint8_t* destination, int n) override {
        ++reads;
        int count = 0;
        while (count < n && !rx_.empty()) {
            destination[count++] = rx_.front();
            rx_.pop_front();
        }
        return count;
    }
    // No time passes for a script: what is queued is there at once.
    int ReadAvailable(std::uint8_t* destination, int max, int) override {
        return Read(destination, max);
    }
    int Write(const std::uint8_t* source, int n) override {
        if (writeFails)
            return 0;
        for (int i = 0; i < n; ++i)
            Receive(source[i]);
        return n;
    }
    int Purge() override {
        ++purges;
        rx_.clear();
        return 1;
    }
    bool IsUsb() const override { return usb; }

    // Everything the host wrote, in order.
    std::string Written() const { return written_; }
    // Whether every step ran and every host byte matched.
    bool Done() const { return steps_.empty() && mismatch.empty(); }
    // Bytes queued for the host that it has not read.
    std::size_t Unread() const { return rx_.size(); }

    std::string mismatch; // empty, or what differed first
    bool openResult = true;
    bool writeFails = false;
    bool usb = false;
    int opens = 0;
    int closes = 0;
    int purges = 0;
    int reads = 0;

private:
    enum class Kind { Echo, Expect, Reply };
    struct Step {
        Kind kind;
        std::string bytes;
        std::size_t matched = 0;
    };

    ScriptedPeer& Add(Kind kind, const std::string& bytes) {
        steps_.push_back({kind, bytes});
        RunReplies();
        return *this;
    }
    void RunReplies() {
        while (!steps_.empty() && steps_.front().kind == Kind::Reply && mismatch.empty()) {
            for (char c : steps_.front().bytes)
                rx_.push_back(static_cast<std::uint8_t>(c));
            steps_.pop_front();
        }
    }
    void Receive(std::uint8_t byte) {
        written_.push_back(static_cast<char>(byte));
        if (!mismatch.empty())
            return;
        if (steps_.empty()) {
            mismatch = "unexpected byte " + Describe(byte) + " after the script";
            return;
        }
        Step& step = steps_.front();
        const auto wanted = static_cast<std::uint8_t>(step.bytes[step.matched]);
        if (byte != wanted) {
            mismatch = "byte " + std::to_string(written_.size() - 1) + ": got " + Describe(byte) +
                       ", expected " + Describe(wanted);
            return;
        }
        if (step.kind == Kind::Echo)
            rx_.push_back(byte);
        if (++step.matched == step.bytes.size()) {
            steps_.pop_front();
            RunReplies();
        }
    }
    static std::string Describe(std::uint8_t byte) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%02X", byte);
        return text;
    }

    std::deque<Step> steps_;
    std::deque<std::uint8_t> rx_;
    std::string written_;
    bool open_ = false;
};

} // namespace vexa::testing
