#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/exitinfo.h"
#include "tests/doorkit/dropfile/exitinfo_record.h"
#include "tests/doorkit/dropfile/fixture.h"

using grimbo_test::DropFileTest;
using grimbo_test::ExitRecord;

namespace {

class ExitInfoRead : public DropFileTest {
protected:
    static bool read_record(const std::string& bytes, std::uint8_t* kind)
    {
        std::string copy = bytes;
        std::FILE* file = fmemopen(copy.data(), copy.size(), "rb");
        if (file == nullptr)
            return false;
        const bool ok = ODReadExitInfoRecord(file, kind);
        std::fclose(file);
        return ok;
    }
};

TEST_F(ExitInfoRead, SizeDecidesTheForm)
{
    struct Case {
        std::size_t size;
        bool usable;
        std::uint8_t kind;
    } cases[] = {
        {100, false, 0},
        {451, false, 0},
        {452, true, OD_DROP_EXITINFO_SHORT},
        {476, true, OD_DROP_EXITINFO_SHORT},
        {477, true, OD_DROP_EXITINFO_MEDIUM},
        {902, true, OD_DROP_EXITINFO_MEDIUM},
        {1492, true, OD_DROP_EXITINFO_MEDIUM},
        {1493, true, OD_DROP_EXITINFO_EXTENDED},
        {2362, true, OD_DROP_EXITINFO_EXTENDED},
        {2363, true, OD_DROP_EXITINFO_RA2},
        {4000, true, OD_DROP_EXITINFO_RA2},
    };
    for (const Case& c : cases) {
        std::uint8_t kind = 0;
        EXPECT_EQ(read_record(ExitRecord(c.size).bytes(), &kind), c.usable) << c.size;
        if (c.usable) {
            EXPECT_EQ(kind, c.kind) << c.size;
        }
    }
}

TEST_F(ExitInfoRead, BaseRecordFillsTheCallerAndTheBoard)
{
    ExitRecord record(476);
    record.u16(0, 38400)
        .u32(2, 123456)
        .text(6, "Jane Doe")
        .text(241, "John Smith")
        .text(277, "Salem")
        .text(303, "SECRET")
        .u8(360, 0x08)  // ANSI
        .u8(361, 0xA5)
        .u16(373, 100)
        .u16(375, 42)
        .u16(387, 12)
        .u8(392, 0x02)  // AVATAR
        .u8(393, 7)
        .text(420, "14:30")
        .u32(437, 99999)
        .u16(445, 17)
        .u16(451, 500)
        .text(453, "09:00")
        .text(459, "LOGON")
        .u8(475, 1)
        .u16(179 + 2 * 23, 77)
        .u16(227 + 2 * 6, 66);
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    EXPECT_EQ(kind, OD_DROP_EXITINFO_SHORT);
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_EQ(od_control.system_calls, 123456u);
    EXPECT_STREQ(od_control.system_last_caller, "Jane Doe");
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_location, "Salem");
    EXPECT_STREQ(od_control.user_password, "SECRET");
    EXPECT_EQ(od_control.user_flags[0], 0xA5);
    EXPECT_EQ(od_control.user_security, 100);
    EXPECT_EQ(od_control.user_times_on, 42u);
    EXPECT_EQ(od_control.user_time_used, 12);
    EXPECT_EQ(od_control.user_group, 7);
    EXPECT_STREQ(od_control.user_login_time, "14:30");
    EXPECT_EQ(od_control.user_login_seconds, 99999u);
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_EQ(od_control.user_download_limit, 500);
    EXPECT_STREQ(od_control.user_time_of_creation, "09:00");
    EXPECT_STREQ(od_control.user_logon_password, "LOGON");
    EXPECT_EQ(od_control.user_wants_chat, 1);
    EXPECT_EQ(od_control.timelog_busy_per_hour[23], 77);
    EXPECT_EQ(od_control.timelog_busy_per_day[6], 66);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_avatar, 1);
}

TEST_F(ExitInfoRead, TooLongALengthByteReadsAsEmpty)
{
    ExitRecord record(476);
    record.text(241, "John Smith").u8(241, 36).text(277, std::string(25, 'L'));
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    EXPECT_STREQ(od_control.user_name, "");
    EXPECT_EQ(std::string(od_control.user_location), std::string(25, 'L'));
}

TEST_F(ExitInfoRead, MediumFormReadsItsMenuStackAndElapsedTime)
{
    ExitRecord record(902);
    record.u16(387, 33).u8(453, 1).u8(454, 3);
    record.text(455, "MAIN").text(464, "FILES").text(473, "DOORS").text(635, "TOP");
    record.u8(702, 1);
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    EXPECT_EQ(kind, OD_DROP_EXITINFO_MEDIUM);
    EXPECT_EQ(nInitialElapsed, 33);
    EXPECT_EQ(od_control.user_wants_chat, 1);
    EXPECT_EQ(od_control.menu_stack_pointer, 3);
    EXPECT_STREQ(od_control.menu_stack[0], "MAIN");
    EXPECT_STREQ(od_control.menu_stack[2], "DOORS");
    EXPECT_STREQ(od_control.menu_stack[3], "TOP");
    EXPECT_EQ(od_control.user_rip, 1);
}

TEST_F(ExitInfoRead, MediumFormReadsNoMoreThanItsTwentyMenuEntries)
{
    ExitRecord record(902);
    record.u8(454, 25);
    for (int i = 0; i < 20; ++i)
        record.text(455 + 9 * i, "M" + std::to_string(i));
    record.text(635, "TOP");
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    EXPECT_STREQ(od_control.menu_stack[19], "M19");
    EXPECT_STREQ(od_control.menu_stack[20], "");
    EXPECT_STREQ(od_control.menu_stack[25], "TOP");
}

TEST_F(ExitInfoRead, MediumFormWithANegativeMenuCountReadsNoEntry)
{
    ExitRecord record(700);
    record.u8(454, 0xFF).text(455, "MAIN").text(635, "TOP");
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    for (const auto& entry : od_control.menu_stack)
        EXPECT_STREQ(entry, "");
}

TEST_F(ExitInfoRead, ExtendedFormReadsItsBlock)
{
    ExitRecord record(1493);
    const std::size_t block = 476;
    record.u16(block + 0, 9)
        .text(block + 2, "MAIN")
        .u8(block + 452, 1)
        .text(block + 453, "Spooky")
        .text(block + 489, "A comment")
        .u8(block + 579, 0x5A)
        .text(block + 604, "01-02-90")
        .u8(block + 622, 132)
        .u8(block + 623, 4)
        .text(block + 873, "Mailer 1.0")
        .u16(block + 914, 0x1234)
        .u8(block + 916, 7);
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    EXPECT_EQ(kind, OD_DROP_EXITINFO_EXTENDED);
    EXPECT_EQ(od_control.menu_last_area, 9);
    EXPECT_STREQ(od_control.menu_stack[0], "MAIN");
    EXPECT_EQ(od_control.menu_stack_pointer, 1);
    EXPECT_STREQ(od_control.user_handle, "Spooky");
    EXPECT_STREQ(od_control.user_comment, "A comment");
    EXPECT_EQ(od_control.user_combined_info[0], 0x5A);
    EXPECT_STREQ(od_control.user_birth_date, "01-02-90");
    EXPECT_EQ(od_control.user_screen_width, 132);
    EXPECT_EQ(od_control.user_msg_area, 4);
    EXPECT_STREQ(od_control.emsi_software, "Mailer 1.0");
    EXPECT_EQ(od_control.hold_attributes, 0x1234);
    EXPECT_EQ(od_control.hold_length, 7);
}

TEST_F(ExitInfoRead, RA2RecordFillsItsOwnLayout)
{
    ExitRecord record(2363);
    record.u16(0, 57600)
        .text(42, "Ghost")
        .text(241, "John Smith")
        .text(303, "Night Owls")
        .text(456, "Line three")
        .text(507, "Spooky")
        .u32(624, 0xDEADBEEF)
        .text(628, "555-0100")
        .u8(675, 0x08)
        .u16(691, 250)
        .u32(693, 70000)
        .u32(697, 1234)
        .u16(721, 15)
        .u16(726, 300)
        .u8(1202, 1)
        .text(1210, "SECRET")
        .u16(1293, 45)
        .u16(1299, 17)
        .text(1320 + 9 * 49, "LAST")
        .u8(1770, 2)
        .text(2182, "Want to talk")
        .u8(2276, 1)
        .u8(2277, 2);
    std::uint8_t kind = 0;
    ASSERT_TRUE(read_record(record.bytes(), &kind));
    EXPECT_EQ(kind, OD_DROP_EXITINFO_RA2);
    EXPECT_EQ(od_control.baud, 57600u);
    EXPECT_STREQ(od_control.system_last_handle, "Ghost");
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_organisation, "Night Owls");
    EXPECT_STREQ(od_control.user_address[2], "Line three");
    EXPECT_STREQ(od_control.user_handle, "Spooky");
    EXPECT_EQ(od_control.user_password_crc, 0xDEADBEEFu);
    EXPECT_STREQ(od_control.user_data_phone, "555-0100");
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_avatar, 0);
    EXPECT_EQ(od_control.user_security, 250);
    EXPECT_EQ(od_control.user_last_read, 70000u);
    EXPECT_EQ(od_control.user_times_on, 1234u);
    EXPECT_EQ(od_control.user_time_used, 15);
    EXPECT_EQ(od_control.user_group, 300);
    EXPECT_EQ(od_control.user_sex, 'M');
    EXPECT_STREQ(od_control.user_password, "SECRET");
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_STREQ(od_control.menu_stack[49], "LAST");
    EXPECT_EQ(od_control.menu_stack_pointer, 2);
    EXPECT_STREQ(od_control.chat_reason, "Want to talk");
    EXPECT_EQ(od_control.user_rip, 1);
    EXPECT_EQ(od_control.user_rip_version, 2);
}


}  // namespace
