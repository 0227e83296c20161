#include "chat/enroll.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "chat/chat.h"
#include "chat/hub_urls.h"
#include "chat/json_reader.h"
#include "chat/protocol.h"
#include "chat/request.h"
#include "chat/settings.h"
#include "chat/settings_file.h"
#include "doorkit/core/control.h"

namespace vexa {

namespace {

constexpr const char* kCredentialFile = "hub/sync.json";
constexpr std::size_t kAnswerSize = 16;
constexpr std::size_t kPathSize = 512;
constexpr std::size_t kBbsEscaped = 129;
constexpr std::size_t kMinSecret = 32;
constexpr std::size_t kReplySize = 4096;

constexpr const char* kCannotRead = "Cannot read existing chat.json; preserved unchanged.";
constexpr const char* kInvalidFile = "Invalid chat.json; preserved unchanged.";
constexpr const char* kSetupTitle = "\nVexa shared lobby setup (independent of score sharing)";
constexpr const char* kEnterYN = "Enter Y or N.";
constexpr const char* kNeedsHttps = "Chat requires HTTPS.";
constexpr const char* kBadCredential = "Invalid Hub credential; no settings changed.";
constexpr const char* kBadName = "Invalid BBS name.";
constexpr const char* kEnrollFailed =
    "Enrollment failed. If this BBS is already registered, reuse its original Hub credential "
    "file; no settings changed.";
constexpr const char* kCannotSave = "Cannot safely save chat settings.";
constexpr const char* kEnabled = "Shared live chat enabled. Existing scores and profiles preserved.";
constexpr const char* kDisabled = "Shared live chat disabled; hidden from the menu.";

// One run's working values.
struct Setup {
    char bbs[chat_bbs_size] = "";
    char secret[chat_secret_size] = "";
    char url[chat_url_size] = "";
    char enroll_service[chat_url_size] = "";
    // The old file's text, kept for its other members.
    char previous[kChatSettingsMaxBytes + 1] = "";
    std::size_t previous_length = 0;
};

int say(const char* message)
{
    std::fputs(message, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return 1;
}

bool is_json_text_byte(unsigned char c)
{
    return c >= 32 && c <= 126 && c != '`';
}

// Takes "bbs" and "secret" from a credential file; a present "bbs" replaces
// the current one. 1 when it gave a non-empty secret.
int read_credential(const char* path, Setup& setup)
{
    chat_settings file{};
    if (chat_settings_read(path, file) != chat_settings_ok)
        return 0;
    if (file.has_bbs)
        ODCopyField(setup.bbs, file.bbs);
    if (!file.has_secret || file.secret[0] == '\0')
        return 0;
    ODCopyField(setup.secret, file.secret);
    return 1;
}

// Asks the score hub for a secret under a name the operator confirms.
int enroll(Setup& setup, const char* game)
{
    char name[chat_bbs_size];
    prompt("BBS enrollment name", setup.bbs, name, sizeof name);
    char name_text[kBbsEscaped + 1];
    if (name[0] == '\0' || !json_escape(name, kBbsEscaped, name_text, sizeof name_text))
        return say(kBadName);

    char game_text[chat_game_size * 2];
    char body[512];
    static char reply[kReplySize];
    static cj_state parsed;
    char secret[chat_secret_size];
    if (!json_escape(game, chat_game_size - 1, game_text, sizeof game_text))
        return say(kEnrollFailed);
    int made = std::snprintf(body, sizeof body, "{\"bbs\":\"%s\",\"game\":\"%s\"}", name_text,
                             game_text);
    if (made < 0 || static_cast<std::size_t>(made) >= sizeof body ||
        !request(setup.enroll_service, body, nullptr, reply, sizeof reply) ||
        !cj_parse(&parsed, reply, std::strlen(reply)) ||
        !cj_get(&parsed, "secret", secret, sizeof secret) || std::strlen(secret) < kMinSecret)
        return say(kEnrollFailed);
    ODCopyField(setup.bbs, name);
    ODCopyField(setup.secret, secret);
    return 0;
}

// The board's credential for enabling: the one already saved, the score
// network's, one the operator points at, or a new enrollment. 0 when found.
int find_credential(Setup& setup, const char* game)
{
    if (std::strncmp(setup.url, "https://", 8) != 0)
        return say(kNeedsHttps);
    bool known = setup.secret[0] != '\0' || read_credential(kCredentialFile, setup);
    if (!known) {
        char path[kPathSize];
        prompt("Existing Hub credential file (or NONE for a new BBS)", kCredentialFile, path,
               sizeof path);
        if (std::strcmp(path, "NONE") != 0 && std::strcmp(path, "none") != 0)
            known = read_credential(path, setup);
    }
    if (!known)
        return enroll(setup, game);
    if (std::strlen(setup.secret) < kMinSecret)
        return say(kBadCredential);
    return 0;
}

int save(const Setup& setup, int enabled)
{
    static char text[settings_text_max + 1];
    std::size_t length = 0;
    if (!settings_compose(enabled, setup.bbs, setup.secret, setup.url, setup.previous,
                          setup.previous_length, text, sizeof text, &length))
        return say(kCannotSave);
    if (setup.previous_length > 0 && !settings_backup(kChatSettingsFile))
        return say(kCannotSave);
    if (!settings_replace(kChatSettingsFile, text, length))
        return say(kCannotSave);
    say(enabled ? kEnabled : kDisabled);
    return 0;
}

}  // namespace

void prompt(const char* question, const char* fallback, char* out, std::size_t out_size)
{
    std::printf("%s [%s]: ", question, fallback);
    std::fflush(stdout);
    ODCopyText(out, out_size, fallback);

    char line[answer_line_max + 2];
    if (std::fgets(line, sizeof line, stdin) == nullptr)
        return;
    std::size_t length = std::strlen(line);
    bool whole = length > 0 && line[length - 1] == '\n';
    if (!whole && length > answer_line_max) {
        // Overlong: its rest must not become the next answer.
        int c;
        while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        }
        return;
    }
    line[std::strcspn(line, "\r\n")] = '\0';
    length = std::strlen(line);
    if (length == 0 || length >= out_size)
        return;
    std::memcpy(out, line, length + 1);
}

void derive_bbs_id(const char* bbs_name, char* out, std::size_t out_size)
{
    std::size_t used = 0;
    std::size_t keep = out_size == 0 ? 0 : out_size - 1;
    if (keep > chat_bbs_size - 1)
        keep = chat_bbs_size - 1;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(bbs_name);
    while (at != nullptr && *at != '\0' && used < keep) {
        if (at[0] == '|' && at[1] >= '0' && at[1] <= '9' && at[2] >= '0' && at[2] <= '9') {
            at += 3;
            continue;
        }
        if (is_json_text_byte(*at))
            out[used++] = static_cast<char>(*at);
        ++at;
    }
    if (out_size > 0)
        out[used] = '\0';
}

}  // namespace vexa

int vexa_chat_config(const char* bbs_name, const char* game, int mode)
{
    using namespace vexa;
    static Setup setup;
    setup = Setup{};
    ODCopyField(setup.url, chat_hub_url);

    chat_settings current{};
    switch (chat_settings_read(kChatSettingsFile, current, setup.previous, sizeof setup.previous,
                               &setup.previous_length)) {
    case chat_settings_unreadable:
        return say(kCannotRead);
    case chat_settings_invalid:
        return say(kInvalidFile);
    case chat_settings_ok:
        break;
    case chat_settings_missing:
    case chat_settings_empty:
        setup.previous_length = 0;
        break;
    }
    if (current.has_bbs)
        ODCopyField(setup.bbs, current.bbs);
    if (current.has_secret)
        ODCopyField(setup.secret, current.secret);
    if (current.has_url)
        ODCopyField(setup.url, current.url);
    hub_address(enroll_url_variable, current.has_enroll_url ? current.enroll_url : nullptr,
                enroll_url, setup.enroll_service, sizeof setup.enroll_service);
    if (setup.bbs[0] == '\0')
        derive_bbs_id(bbs_name, setup.bbs, sizeof setup.bbs);

    if (mode == -1) {
        const char* switched_on =
            current.has_enabled && (std::strcmp(current.enabled, "true") == 0 ||
                                    std::strtoll(current.enabled, nullptr, 10) != 0)
                ? "Y"
                : "N";
        say(kSetupTitle);
        char answer[kAnswerSize];
        prompt("Enable shared live chat? Y/N", switched_on, answer, sizeof answer);
        if (std::strcmp(answer, "Y") == 0 || std::strcmp(answer, "y") == 0)
            mode = 1;
        else if (std::strcmp(answer, "N") == 0 || std::strcmp(answer, "n") == 0)
            mode = 0;
        else
            return say(kEnterYN);
    }
    if (mode == 1 && find_credential(setup, game) != 0)
        return 1;
    return save(setup, mode == 1 ? 1 : 0);
}
