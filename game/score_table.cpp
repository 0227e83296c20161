// Ranking a score table: one pass over the whole file, keeping only the
// rows that can still be shown, so a table of any size costs the same
// memory.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "doorkit/core/control.h"
#include "game/data_file.h"
#include "game/score_line.h"
#include "game/scores.h"

namespace {

constexpr std::size_t kLineMax = 255;  // longer lines are damaged and skipped
constexpr std::size_t kChunk = 64 * 1024;
constexpr int kFields = 5;

// The table's lines in file order, read in large blocks. A line longer than
// kLineMax is consumed whole and never returned.
class line_reader {
public:
    // A link planted in place of the table is not read through.
    explicit line_reader(const char* path) : fd_(open_plain(path, O_RDONLY)) {}

    bool opened() const { return static_cast<bool>(fd_); }

    // The next line without its line feed; false at the end of the file.
    bool next(std::string_view& line)
    {
        for (;;) {
            const char* start = buffer_ + begin_;
            const auto* feed = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
            if (feed != nullptr) {
                const auto length = static_cast<std::size_t>(feed - start);
                begin_ += length + 1;
                if (skipping_ || length > kLineMax) {
                    skipping_ = false;
                    continue;
                }
                line = std::string_view(start, length);
                return true;
            }
            if (!refill()) {
                // A last line without its line feed still counts.
                if (skipping_ || begin_ == end_)
                    return false;
                line = std::string_view(buffer_ + begin_, end_ - begin_);
                begin_ = end_;
                return true;
            }
        }
    }

private:
    // Keeps the unfinished line and reads more behind it; false at the end.
    bool refill()
    {
        std::size_t rest = end_ - begin_;
        if (skipping_ || rest > kLineMax) {  // too long already: drop what was read
            skipping_ = true;
            rest = 0;
        } else if (rest > 0) {
            std::memmove(buffer_, buffer_ + begin_, rest);
        }
        begin_ = 0;
        end_ = rest;
        for (;;) {
            const ssize_t got = read(fd_.get(), buffer_ + end_, kChunk);
            if (got > 0) {
                end_ += static_cast<std::size_t>(got);
                return true;
            }
            if (got < 0 && errno == EINTR)
                continue;
            return false;  // the end, or a read error: what was read counts
        }
    }

    owned_fd fd_;
    bool skipping_ = false;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    char buffer_[kLineMax + 1 + kChunk];
};

// A signed decimal as the C library reads it (leading blanks, a sign),
// filling the whole field and within 32 bits.
bool whole_int(std::string_view text, std::int32_t& value)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at == text.size())
        return false;
    long long magnitude = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9')
            return false;
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > static_cast<long long>(INT32_MAX) + 1)
            return false;
    }
    const long long signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX)
        return false;
    value = static_cast<std::int32_t>(signed_value);
    return true;
}

// The five fields of a line; anything after the fifth is ignored, as a
// longer record from a later version may carry it.
bool split_fields(std::string_view line, std::string_view (&fields)[kFields])
{
    for (int f = 0; f < kFields; ++f) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos && f + 1 < kFields)
            return false;
        fields[f] = line.substr(0, tab);
        line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    }
    return true;
}

// One line, without its line end; false for a damaged line.
bool parse_record(std::string_view line, score_record& record)
{
    std::string_view fields[kFields];
    if (!split_fields(line, fields))
        return false;
    if (fields[0].empty() || fields[0].size() >= SCORE_DATE_SIZE || fields[1].empty() ||
        fields[1].size() >= SCORE_HANDLE_SIZE)
        return false;
    if (!whole_int(fields[2], record.score) || !whole_int(fields[3], record.stage) ||
        !whole_int(fields[4], record.daily))
        return false;
    ODCopyField(record.date, fields[0]);
    char handle[SCORE_HANDLE_SIZE];
    std::memcpy(handle, fields[1].data(), fields[1].size());
    handle[fields[1].size()] = '\0';
    // A hand-edited or damaged file must not put controls on anyone's screen.
    safe_field(record.handle, sizeof record.handle, handle, SCORE_HANDLE_SIZE - 1, false);
    return true;
}

// The score field alone, for the quick test of whether a line can rank.
bool line_score(std::string_view line, std::int32_t& score)
{
    std::size_t at = 0;
    for (int tab = 0; tab < 2; ++tab) {
        at = line.find('\t', at);
        if (at == std::string_view::npos)
            return false;
        ++at;
    }
    const std::size_t end = line.find('\t', at);
    if (end == std::string_view::npos)
        return false;
    return whole_int(line.substr(at, end - at), score);
}

// The best rows so far, best first; an equal score ranks below the rows
// already kept, so ties stay in file order.
class ranking {
public:
    explicit ranking(int size) : size_(size) {}

    // Whether a row with this score would be kept.
    bool ranks(std::int32_t score) const
    {
        return count_ < size_ || score > pool_[order_[count_ - 1]].score;
    }

    void add(const score_record& record)
    {
        int at = 0;
        while (at < count_ && pool_[order_[at]].score >= record.score)
            ++at;
        int slot;
        if (count_ < size_) {
            slot = count_++;
        } else {
            slot = order_[count_ - 1];  // the last row drops out
        }
        for (int i = count_ - 1; i > at; --i)
            order_[i] = order_[i - 1];
        order_[at] = slot;
        pool_[slot] = record;
    }

    int copy_out(score_record* records) const
    {
        for (int i = 0; i < count_; ++i)
            records[i] = pool_[order_[i]];
        return count_;
    }

private:
    int size_;
    int count_ = 0;
    int order_[SCORE_RANK_MAX] = {};
    score_record pool_[SCORE_RANK_MAX] = {};
};

}  // namespace

int read_scores(score_record* records, int max_records, int daily)
{
    if (records == nullptr || max_records < 1)
        return 0;
    if (max_records > SCORE_RANK_MAX)
        max_records = SCORE_RANK_MAX;
    line_reader file(score_table_path(daily));
    if (!file.opened())
        return 0;
    ranking best(max_records);
    std::string_view line;
    while (file.next(line)) {
        // The text of a line ends at a NUL byte, as it always has.
        line = line.substr(0, line.find('\0'));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::int32_t score = 0;
        if (!line_score(line, score) || !best.ranks(score))
            continue;
        score_record record{};
        if (parse_record(line, record))
            best.add(record);
    }
    return best.copy_out(records);
}
