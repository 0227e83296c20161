// The diagnostic log of every Enter byte the caller sends, for tracing
// terminals that send odd line ends. All entries stand on one line.
#ifndef DOORKIT_KERNEL_ENTER_LOG_H
#define DOORKIT_KERNEL_ENTER_LOG_H

#include <cstddef>
#include <cstdint>

// The file in the working directory.
inline constexpr char kEnterLogName[] = "grimbo-raw-enter.log";
// A file that has reached this size becomes "<name>.1" (replacing the one
// before) and a new one is started, so the two never hold much more than
// twice this.
inline constexpr std::size_t kEnterLogLimit = 64 * 1024;

// Appends the entry for `byte` to the log at `path`; a failing file is
// ignored.
void ODEnterLogAppend(const char* path, std::uint8_t byte);

#endif
