// The kit's copy of the caller's screen agrees with a real terminal: long
// pseudo-random sequences of output calls in ANSI mode, the bytes fed to
// libvterm, the two screens compared cell by cell after every call. Cursor
// moves the kit leaves out, because the caller's cursor already stands
// there, must leave the same screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/transport/cp437.h"
#include "tests/doorkit/output/fixture.h"
#include "tests/support/screen.h"

namespace {

using output_test::Caller;
using output_test::CopyAttr;
using output_test::CopyChar;
using output_test::InSession;
using output_test::Mode;

constexpr int kRows = 25;
constexpr int kColumns = 80;
constexpr int kSteps = 700;
constexpr int kHistory = 8;

char32_t Unicode(std::uint8_t c)
{
    return c < 0x80 ? static_cast<char32_t>(c) : cp437_unicode_table[c - 0x80];
}

bool Blank(std::uint8_t c)
{
    return c == ' ' || c == '\0';
}

class Driver {
public:
    Driver(unsigned seed, Caller& caller) : rng_(seed), seed_(seed), caller_(caller) {}

    void Run()
    {
        for (int step = 0; step < kSteps; ++step) {
            std::string what = Step();
            history_.push_back(what);
            if (history_.size() > kHistory)
                history_.pop_front();
            terminal_.feed(caller_.Take());
            std::string difference = Compare();
            if (!difference.empty()) {
                std::ostringstream report;
                report << "seed " << seed_ << ", step " << step << ": " << difference
                       << "\nlast calls:";
                for (const std::string& h : history_)
                    report << "\n  " << h;
                ADD_FAILURE() << report.str();
                return;
            }
        }
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    // 0x20-0x7E and 0x80-0xFF; od_printf texts keep clear of its delimiter.
    std::uint8_t PrintableByte(bool allow_backquote = true)
    {
        for (;;) {
            const int b = Pick(0x20, 0xFF);
            if (b == 0x7F || (!allow_backquote && b == '`'))
                continue;
            return static_cast<std::uint8_t>(b);
        }
    }

    std::string Printable(int length, bool allow_backquote = true)
    {
        std::string text;
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(PrintableByte(allow_backquote));
        return text;
    }

    int Column()
    {
        int column = 0;
        od_get_cursor(nullptr, &column);
        return column;
    }

    std::vector<std::uint8_t> RandomBlock(int left, int top, int right, int bottom)
    {
        std::vector<std::uint8_t> cells(static_cast<std::size_t>((right - left + 1) * (bottom - top + 1) * 2));
        // Often a small change to what is there, so that skipping is used.
        const bool edit = Pick(0, 2) != 0;
        if (edit)
            od_gettext(left, top, right, bottom, cells.data());
        for (std::size_t i = 0; i < cells.size(); i += 2) {
            if (edit && Pick(0, 5) != 0)
                continue;
            const int kind = Pick(0, 9);
            cells[i] = kind == 0 ? 0 : kind == 1 ? ' ' : PrintableByte();
            cells[i + 1] = static_cast<std::uint8_t>(Pick(0, 255));
        }
        return cells;
    }

    std::string Step()
    {
        std::ostringstream what;
        const int column = Column();
        switch (Pick(0, 18)) {
        case 0:
        case 1:
        case 2: {
            if (column >= kColumns)
                return Step();
            const std::string text = Printable(Pick(1, std::min(20, kColumns - column)));
            od_disp_str(text.c_str());
            what << "od_disp_str(" << text.size() << " bytes)";
            break;
        }
        case 3: {
            static const char* const kControls[] = {"\r", "\n", "\r\n", "\b", "\t"};
            int index = Pick(0, 4);
            if (index == 4 && column > 72)
                index = 0;
            od_disp_str(kControls[index]);
            what << "control " << index;
            break;
        }
        case 4: {
            if (column >= kColumns)
                return Step();
            const unsigned count = static_cast<unsigned>(Pick(1, kColumns - column)) +
                                   (Pick(0, 3) == 0 ? 256u : 0u);
            const char c = static_cast<char>(PrintableByte());
            od_repeat(c, count);
            what << "od_repeat(" << static_cast<int>(static_cast<unsigned char>(c)) << ", " << count << ")";
            break;
        }
        case 5:
        case 6: {
            if (Pick(0, 1) == 0) {
                const int fg = Pick(0, 15);
                const int bg = Pick(0, 7);
                od_set_color(fg, bg);
                what << "od_set_color(" << fg << ", " << bg << ")";
            } else {
                const int attribute = Pick(0, 255);
                od_set_attrib(attribute);
                what << "od_set_attrib(" << attribute << ")";
            }
            break;
        }
        case 7:
        case 8: {
            const int row = Pick(1, kRows);
            const int col = Pick(1, kColumns);
            od_set_cursor(row, col);
            what << "od_set_cursor(" << row << ", " << col << ")";
            break;
        }
        case 9:
            if (Pick(0, 3) == 0) {
                od_clr_scr();
                what << "od_clr_scr()";
            } else {
                od_clr_line();
                what << "od_clr_line()";
            }
            break;
        case 10:
        case 11: {
            const int left = Pick(1, kColumns);
            const int right = Pick(left, std::min(kColumns, left + 30));
            const int top = Pick(1, kRows);
            const int bottom = Pick(top, std::min(kRows, top + 6));
            const auto cells = RandomBlock(left, top, right, bottom);
            od_puttext(left, top, right, bottom, cells.data());
            what << "od_puttext(" << left << ", " << top << ", " << right << ", " << bottom << ")";
            break;
        }
        case 12: {
            const int left = Pick(1, kColumns);
            const int right = Pick(left, kColumns);
            const int top = Pick(1, kRows);
            const int bottom = Pick(top, kRows);
            const int distance = Pick(-6, 6);
            const std::uint16_t flags = static_cast<std::uint16_t>(Pick(0, 1));
            od_scroll(left, top, right, bottom, distance, flags);
            what << "od_scroll(" << left << ", " << top << ", " << right << ", " << bottom << ", "
                 << distance << ", " << flags << ")";
            break;
        }
        case 13: {
            if (snapshots_.empty() || Pick(0, 1) == 0) {
                snapshots_.emplace_back(od_save_screen_size());
                od_save_screen_ex(snapshots_.back().data(), static_cast<std::uint32_t>(snapshots_.back().size()));
                what << "od_save_screen_ex()";
            } else {
                const auto& s = snapshots_[static_cast<std::size_t>(Pick(0, static_cast<int>(snapshots_.size()) - 1))];
                od_restore_screen_ex(s.data(), static_cast<std::uint32_t>(s.size()));
                what << "od_restore_screen_ex()";
            }
            break;
        }
        case 14: {
            if (classic_.empty() || Pick(0, 1) == 0) {
                classic_.assign(4004, 0);
                od_save_screen(classic_.data());
                what << "od_save_screen()";
            } else {
                od_restore_screen(classic_.data());
                what << "od_restore_screen()";
            }
            break;
        }
        case 16: {
            // Text placed as the game places it, often going on where the
            // last run ended. Like the other steps it leaves the last column
            // alone, where a terminal holds its cursor back from wrapping.
            const int row = Pick(1, kRows);
            int col = Pick(1, kColumns - 1);
            what << "runs at " << row << "," << col << ":";
            for (int run = Pick(1, 4); run > 0 && col < kColumns; --run) {
                od_set_cursor(row, col);
                od_set_color(Pick(0, 15), Pick(0, 7));
                const std::string text = Printable(Pick(1, std::min(12, kColumns - col)));
                od_disp_str(text.c_str());
                what << " " << text.size();
                col += static_cast<int>(text.size()) + (Pick(0, 3) == 0 ? 1 : 0);
            }
            break;
        }
        case 17: {
            // A move to where the copy's cursor stands.
            int row = 0;
            int col = 0;
            od_get_cursor(&row, &col);
            od_set_cursor(row, col);
            what << "od_set_cursor(" << row << ", " << col << ") where it stands";
            break;
        }
        case 18: {
            if (column >= kColumns)
                return Step();
            const char c = static_cast<char>(PrintableByte());
            if (Pick(0, 1) == 0) {
                od_putch(c);
                what << "od_putch(" << int(static_cast<unsigned char>(c)) << ")";
            } else {
                od_disp(&c, 1, true);
                what << "od_disp(" << int(static_cast<unsigned char>(c)) << ")";
            }
            break;
        }
        default: {
            static const char* const kDescriptions[] = {"bright red on blue", "green", "flashing cyan on grey",
                                                        "bright white on black", "yellow on magenta"};
            const int room = kColumns - column;
            if (room < 2)
                return Step();
            const std::string before = Printable(Pick(0, room / 2), false);
            const std::string after = Printable(Pick(0, room / 2 - 1), false);
            const char* description = kDescriptions[Pick(0, 4)];
            od_printf("%s`%s`%s", before.c_str(), description, after.c_str());
            what << "od_printf(" << before.size() << " bytes `" << description << "` " << after.size()
                 << " bytes)";
            break;
        }
        }
        return what.str();
    }

    std::string Compare()
    {
        for (int row = 1; row <= kRows; ++row) {
            for (int column = 1; column <= kColumns; ++column) {
                const std::uint8_t c = CopyChar(row, column);
                const std::uint8_t a = CopyAttr(row, column);
                const grimbo_test::Cell cell = terminal_.cell(row, column);
                const bool same = Blank(c) ? cell.ch == U' ' && (cell.attribute & 0x70) == (a & 0x70)
                                           : cell.ch == Unicode(c) && cell.attribute == a;
                if (!same) {
                    std::ostringstream out;
                    out << "row " << row << ", column " << column << ": copy has character " << int(c)
                        << " attribute " << int(a) << ", terminal U+" << std::hex
                        << static_cast<unsigned>(cell.ch) << std::dec << " attribute "
                        << int(cell.attribute);
                    return out.str();
                }
            }
        }
        int row = 0;
        int column = 0;
        od_get_cursor(&row, &column);
        const grimbo_test::CursorPos cursor = terminal_.cursor();
        if (row != cursor.row || column != cursor.column) {
            std::ostringstream out;
            out << "cursor: copy at " << row << "," << column << ", terminal at " << cursor.row << ","
                << cursor.column;
            return out.str();
        }
        return {};
    }

    std::mt19937 rng_;
    unsigned seed_;
    Caller& caller_;
    grimbo_test::Screen terminal_{kRows, kColumns, true};
    std::deque<std::string> history_;
    std::vector<std::vector<std::uint8_t>> snapshots_;
    std::vector<std::uint8_t> classic_;
};

class ScreenAgreement : public ::testing::TestWithParam<unsigned> {};

TEST_P(ScreenAgreement, TheCopyMatchesWhatATerminalShows)
{
    const unsigned seed = GetParam();
    InSession(Mode::Ansi, [seed](Caller& caller) { Driver(seed, caller).Run(); });
}

INSTANTIATE_TEST_SUITE_P(Seeds, ScreenAgreement, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u));

}  // namespace
