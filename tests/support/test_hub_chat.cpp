// How the test hub answers "/v1/chat": a signed request from a caller keeps
// that caller's session in the lobby, a message becomes a line for all, a
// leave drops the session, and every answer gives the counters and the
// lines since the cursor the client sent.
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "tests/support/test_hub.h"

namespace grimbo_test {

namespace {

std::string hmac_hex(const std::string& key, const std::string& text)
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(text.data()), text.size(), mac,
             &length) == nullptr)
        return "";
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", mac[i]);
        hex += pair;
    }
    return hex;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

HubAnswer TestHub::chat_answer(const HubRequest& request)
{
    if (!secret_.empty()) {
        auto signature = request.headers.find("x-vexa-signature");
        if (signature == request.headers.end() ||
            signature->second != hmac_hex(secret_, request.body))
            return {401, "{\"error\":\"bad signature\"}", true};
    }
    const std::string op = request.field("op");
    const std::string session = request.field("session");
    if (op == "leave") {
        sessions_.erase(session);
        return {200, "{}", true};
    }
    sessions_[session] = {request.field("bbs"), request.field("location")};
    if (op == "message")
        lines_.push_back("<" + request.field("player") + "@" + request.field("bbs") + "> " +
                         request.field("text"));

    std::set<std::string> boards;
    int chatting = 0;
    for (const auto& [id, caller] : sessions_) {
        boards.insert(caller.bbs);
        chatting += caller.location == "chat" ? 1 : 0;
    }
    long long from = std::atoll(request.field("cursor").c_str());
    if (from < 0 || from > static_cast<long long>(lines_.size()))
        from = 0;
    std::string lines;
    for (std::size_t i = static_cast<std::size_t>(from); i < lines_.size(); ++i)
        lines += (lines.empty() ? "" : ",") + quoted(lines_[i]);
    return {200,
            "{\"players\":" + std::to_string(sessions_.size()) +
                ",\"bbses\":" + std::to_string(boards.size()) +
                ",\"chatting\":" + std::to_string(chatting) +
                ",\"cursor\":" + std::to_string(lines_.size()) + ",\"lines\":[" + lines + "]}",
            true};
}

}  // namespace grimbo_test
