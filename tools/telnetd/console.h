// The sysop's console: one whole line per event, so lines from several node
// processes never interleave.
#ifndef TOOLS_TELNETD_CONSOLE_H
#define TOOLS_TELNETD_CONSOLE_H

// A line about the bench itself ("grimbo-telnetd: ...") on standard output.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A line about one node ("node N: ...") on standard output.
void say_node(int node, const char* format, ...) __attribute__((format(printf, 2, 3)));
// A failure of the bench ("grimbo-telnetd: ...") on standard error.
void complain(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
