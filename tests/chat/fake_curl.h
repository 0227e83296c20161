// A stand-in `curl` first (and alone) on the search path: it records the
// arguments, the posted body and the signal state it was started with (a
// bash script, since bash keeps that state), and answers with a prepared
// reply and exit status. Nothing reaches a real host.
#ifndef TESTS_CHAT_FAKE_CURL_H
#define TESTS_CHAT_FAKE_CURL_H

#include <string>
#include <vector>

#include "tests/support/session_runner.h"

class FakeCurl {
public:
    FakeCurl();
    ~FakeCurl();
    FakeCurl(const FakeCurl&) = delete;
    FakeCurl& operator=(const FakeCurl&) = delete;

    void reply(const std::string& text) const { dir_.write("reply", text); }
    void exit_status(int status) const { dir_.write("status", std::to_string(status) + "\n"); }
    void hang() const { dir_.write("hang", ""); }

    std::vector<std::string> arguments() const;
    std::string body() const { return read("body"); }
    std::string signal_state() const { return read("signals"); }
    // The body, reply and error files the last call handed to curl.
    std::vector<std::string> temp_files() const;

private:
    std::string read(const char* name) const;
    grimbo_test::TempDir dir_;
    std::string saved_path_;
};

#endif
