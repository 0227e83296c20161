#include "tests/e2e/game_door.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace game_e2e {

GameDir::GameDir()
{
    if (link(GRIMBO_BINARY, binary().c_str()) != 0) {
        std::ifstream in(GRIMBO_BINARY, std::ios::binary);
        std::ofstream out(binary(), std::ios::binary);
        out << in.rdbuf();
        out.close();
        chmod(binary().c_str(), 0755);
    }
}

bool GameDir::write(std::string_view name, std::string_view content) const
{
    std::string path = file(name);
    std::string parent = path.substr(0, path.rfind('/'));
    mkdir(parent.c_str(), 0755);
    return dir_.write(name, content);
}

std::string GameDir::read(std::string_view name) const
{
    std::ifstream in(file(name), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool GameDir::exists(std::string_view name) const
{
    return access(file(name).c_str(), F_OK) == 0;
}

std::vector<std::string> GameDir::profiles() const
{
    std::vector<std::string> found;
    if (DIR* d = opendir(file("data").c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.rfind("profile-", 0) == 0)
                found.push_back("data/" + name);
        }
        closedir(d);
    }
    std::sort(found.begin(), found.end());
    return found;
}

void Call::type(std::string_view keys, int settle_ms)
{
    door.send(keys);
    settle(settle_ms);
}

void Call::settle(int ms)
{
    door.pump(ms);
    // A loaded machine may still be drawing; wait for the door to go quiet.
    door.pump_until_quiet(150, 3000);
    door.feed_screen(screen);
}

bool Call::wait_for(std::string_view text, int timeout_ms)
{
    if (!door.wait_for_text(screen, text, timeout_ms))
        return false;
    // The text may be the first of the screen's lines: let the rest arrive.
    door.pump_until_quiet(100, 2000);
    door.feed_screen(screen);
    return true;
}

std::string left_of_art(const grimbo_test::Screen& screen, int row)
{
    std::string text;
    for (int column = 1; column <= 46; ++column) {
        char32_t ch = screen.cell(row, column).ch;
        text += ch < 0x80 ? static_cast<char>(ch) : '?';
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::string profile_for(const std::string& identity)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char ch : identity) {
        hash ^= ch;
        hash *= 0x100000001b3ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "data/profile-%016llx.tsv",
                  static_cast<unsigned long long>(hash));
    return name;
}

std::vector<std::string> caller_options(const std::string& caller, bool socket)
{
    std::vector<std::string> options = {"-B", "38400", "-P", "0"};
    if (socket) {
        options.push_back("-SOCKET");
        options.push_back("{fd}");
    }
    if (!caller.empty()) {
        options.push_back("-USERNAME");
        options.push_back(caller);
    }
    return options;
}

std::unique_ptr<Call> call_game(const GameDir& dir, const std::vector<std::string>& options,
                                const std::string& when, grimbo_test::Link link, int rate)
{
    auto call = std::make_unique<Call>();
    grimbo_test::DoorLaunch launch;
    launch.link = link;
    launch.workdir = dir.path();
    launch.env = {{"TZ", "UTC"}};
    launch.program = dir.binary();
    if (!when.empty() || rate > 1) {
        std::string clock = when.empty() ? "+0" : "@" + when;
        if (rate > 1)
            clock += " x" + std::to_string(rate);
        grimbo_test::use_fake_clock(launch, clock);
    }
    launch.args.insert(launch.args.end(), options.begin(), options.end());
    if (!call->door.start(launch))
        return nullptr;
    return call;
}

bool reach_lobby_as_new_caller(Call& call, std::string_view enter)
{
    if (!call.wait_for("[Y] ENABLE SOUND"))
        return false;
    call.door.send("n");
    if (!call.wait_for("INTO YOUR HANDLE:"))
        return false;
    call.door.send("Jack");
    call.door.send(enter);
    if (!call.wait_for("YOUR NAME WILL LOOK LIKE THIS:"))
        return false;
    call.door.send("y");
    if (!call.wait_for("CHOOSE M / F"))
        return false;
    call.door.send("m");
    if (!call.wait_for("[5] MEDIUM"))
        return false;
    call.door.send("1");
    for (int waited = 0; waited < 5000; waited += 50) {
        call.settle(50);
        if (call.screen.contains("[S] STORY - 8 MONTHLY STAGES"))
            return true;
        if (call.screen.contains("[G] GO STRAIGHT TO THE LOBBY")) {
            call.door.send("g");
            return call.wait_for("[S] STORY - 8 MONTHLY STAGES");
        }
    }
    return false;
}

std::unique_ptr<Call> first_stage(const GameDir& dir)
{
    auto call = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00",
                          grimbo_test::Link::SocketPair, kFastClock);
    if (!call || !reach_lobby_as_new_caller(*call))
        return nullptr;
    call->settle(200);
    call->type("S");
    if (!call->wait_for("[C] CONTINUE     [Q] BACK TO LOBBY"))
        return nullptr;
    call->type("c");
    if (!call->wait_for("STAGE 1/8"))
        return nullptr;
    return call;
}

void wrong_answer_at_first_seal(Call& call)
{
    // The door takes keys in the order they were typed, and no screen
    // between them is looked at: no need to wait for each.
    call.door.send("24c");
}

}  // namespace game_e2e
