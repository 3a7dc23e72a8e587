#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <langinfo.h>
#include <poll.h>
#include <string>
#include <unistd.h>

#include "platform.hpp"

namespace console {
namespace {

// The character sets that show the byte 0xE1 as "á", by the names the C
// libraries and locale names give them, compared without case or
// punctuation: glibc's "ISO-8859-1", the BSDs' "ISO8859-1", "iso88591",
// "latin1" and "l1" are one character set.
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
    // clang-format off
    static constexpr std::string_view names[] = {
        // ISO 8859-1, -15, -2, -3, -4, -9, -10, -14 and -16, by their aliases too
        "iso88591", "latin1", "l1", "cp819", "ibm819", "isoir100", "csisolatin1",
        "iso885915", "latin9", "isoir203",
        "iso88592", "latin2", "l2", "isoir101", "csisolatin2",
        "iso88593", "latin3", "l3", "isoir109", "csisolatin3",
        "iso88594", "latin4", "l4", "isoir110", "csisolatin4",
        "iso88599", "latin5", "l5", "isoir148", "csisolatin5", "iso88599e",
        "iso885910", "latin6", "l6", "isoir157", "csisolatin6",
        "iso885914", "latin8", "l8", "isoir199",
        "iso885916", "latin10", "l10", "isoir226",
        // Windows code pages, and others with "á" at 0xE1
        "cp1250", "windows1250", "cp1252", "windows1252", "cp1254", "windows1254",
        "cp1258", "windows1258", "ibm922", "ibm1004", "ibm1129", "ibm1163", "decmcs",
        "csn369103", "isoir197", "isoir209", "csaz24341985gr", "winsami2", "samiws2", "viscii",
    };
    // clang-format on
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

std::string to_utf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size() * 2);
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// "Not yet" is waited for; the descriptor's flags stay as they are, since
// the shell and other programs share it.
void wait_for(int fd, short events)
{
    pollfd p{fd, events, 0};
    while (poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

void ready_streams()
{
    // A reader that went away and a file grown past its limit are write
    // errors like any other, reported rather than a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool output_needs_conversion()
{
    if (isatty(STDOUT_FILENO) == 0)
        return false;
    // Any other terminal gets UTF-8, under the C and POSIX locales too: their
    // ASCII cannot show "á" either way, and nearly every terminal is UTF-8.
    // Only the character set is taken from the locale; the process goes back
    // to "C" so that nothing else about the output can change. A locale that
    // is missing, or that could not be loaded, is known by its name.
    const bool latin1 = std::setlocale(LC_CTYPE, "") != nullptr ? shows_latin1(nl_langinfo(CODESET))
                                                                : shows_latin1(charset_in_name());
    std::setlocale(LC_CTYPE, "C");
    return !latin1;
}

bool write_converted(int fd, std::string_view latin1)
{
    return write_all(fd, to_utf8(latin1));
}

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n >= 0)
            bytes.remove_prefix(static_cast<std::size_t>(n));
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            wait_for(fd, POLLOUT);
        else if (errno != EINTR)
            return false;
    }
    return true;
}

long read_some(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = read(fd, buffer, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            wait_for(fd, POLLIN);
        else if (errno != EINTR)
            return -1;
    }
}

bool seekable(int fd)
{
    return lseek(fd, 0, SEEK_CUR) >= 0;
}

void unread(int fd, std::size_t count)
{
    lseek(fd, -static_cast<off_t>(count), SEEK_CUR);
}

bool close_out(int fd)
{
    return close(fd) == 0 || errno == EINTR;
}

}  // namespace console
