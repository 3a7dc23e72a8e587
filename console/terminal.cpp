#include "terminal.hpp"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

namespace console {

output_kind standard_output_kind()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0 ? output_kind::wide_console
                                                                       : output_kind::bytes;
}

void exact_output()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Text mode would hold a '\r' back until the next byte shows whether a
    // '\n' follows; the reader takes every line break itself. A console keeps
    // text mode, where Ctrl-Z ends input.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0)
        _setmode(_fileno(stdin), _O_BINARY);
}

bool write_out(std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

bool close_out()
{
    return std::fclose(stdout) == 0;
}

bool write_console(std::string_view latin1)
{
    // ISO 8859-1 is the first 256 code points, so each byte is its own
    // UTF-16 unit, whatever code page the console is set to.
    std::wstring units;
    units.reserve(latin1.size());
    for (const char c : latin1)
        units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    DWORD written = 0;
    return WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), units.data(),
                         static_cast<DWORD>(units.size()), &written, nullptr) != 0 &&
           written == units.size();
}

bool await_input(std::FILE*)
{
    return errno == EINTR;
}

}  // namespace console

#else

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <poll.h>
#include <unistd.h>

namespace console {

namespace {

// The character sets of the C libraries that show the byte 0xE1 as "á",
// compared without case or punctuation, so that glibc's "ISO-8859-1", the
// BSDs' "ISO8859-1" and a locale name's "iso88591" are one name.
bool shows_latin1(std::string_view charset)
{
    char key[32];
    std::size_t n = 0;
    for (const char c : charset) {
        if (n == sizeof key)
            return false;
        if (c >= 'A' && c <= 'Z')
            key[n++] = static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            key[n++] = c;
    }
    static constexpr std::string_view names[] = {
        "iso88591",  "iso88592",  "iso88593",  "iso88594",  "iso88599",        "iso88599e",
        "iso885910", "iso885914", "iso885915", "iso885916", "cp1250",          "cp1252",
        "cp1254",    "cp1258",    "ibm922",    "ibm1004",   "ibm1129",         "ibm1163",
        "decmcs",    "csn369103", "isoir197",  "isoir209",  "csaz243419851gr", "winsami2",
        "samiws2",   "viscii",
    };
    return std::find(std::begin(names), std::end(names), std::string_view(key, n)) !=
           std::end(names);
}

// The character set that the locale's name asks for, as setlocale would
// choose the name: "pt_BR.ISO-8859-1@euro" asks for "ISO-8859-1".
std::string_view charset_in_name()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0')
            continue;
        const std::string_view name = value;
        const std::size_t dot = name.find('.');
        if (dot == std::string_view::npos)
            return {};
        const std::string_view charset = name.substr(dot + 1);
        return charset.substr(0, charset.find('@'));
    }
    return {};
}

void wait_for(int fd, short events)
{
    pollfd p{fd, events, 0};
    while (poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

output_kind standard_output_kind()
{
    if (isatty(STDOUT_FILENO) == 0)
        return output_kind::bytes;
    // Any other terminal gets UTF-8, under the C and POSIX locales too: their
    // ASCII cannot show "á" either way, and nearly every terminal is UTF-8.
    // Only the character set is taken from the locale; the process goes back
    // to "C" so that nothing else about the output can change. A locale that
    // is missing, or that could not be loaded, is known by its name.
    const bool latin1 = std::setlocale(LC_CTYPE, "") != nullptr ? shows_latin1(nl_langinfo(CODESET))
                                                                : shows_latin1(charset_in_name());
    std::setlocale(LC_CTYPE, "C");
    return latin1 ? output_kind::bytes : output_kind::utf8_terminal;
}

void exact_output() {}

// "Not yet" is waited for; the descriptor's flags stay as they are, since
// the shell and other programs share it.
bool write_out(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n >= 0)
            bytes.remove_prefix(static_cast<std::size_t>(n));
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            wait_for(STDOUT_FILENO, POLLOUT);
        else if (errno != EINTR)
            return false;
    }
    return true;
}

bool close_out()
{
    return close(STDOUT_FILENO) == 0 || errno == EINTR;
}

bool write_console(std::string_view)
{
    return false;
}

bool await_input(std::FILE* in)
{
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        wait_for(fileno(in), POLLIN);
        return true;
    }
    return errno == EINTR;
}

}  // namespace console

#endif
