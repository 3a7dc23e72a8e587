#include "terminal.hpp"

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

bool write_console(std::string_view latin1)
{
    // ISO 8859-1 is the first 256 code points, so each byte is its own
    // UTF-16 unit, whatever code page the console is set to.
    std::wstring units;
    units.reserve(latin1.size());
    for (const char c : latin1)
        units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    std::fflush(stdout);
    DWORD written = 0;
    return WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), units.data(),
                         static_cast<DWORD>(units.size()), &written, nullptr) != 0 &&
           written == units.size();
}

}  // namespace console

#else

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>

namespace console {

namespace {

// The character sets that show the byte 0xE1 as "á": ISO 8859-1 and the
// relatives that keep it there.
bool shows_latin1(const char* codeset)
{
    for (const char* name :
         {"ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-9", "ISO-8859-10",
          "ISO-8859-14", "ISO-8859-15", "ISO-8859-16", "CP1250", "CP1252", "CP1254", "CP1258"})
        if (std::strcmp(codeset, name) == 0)
            return true;
    return false;
}

}  // namespace

output_kind standard_output_kind()
{
    if (isatty(fileno(stdout)) == 0)
        return output_kind::bytes;
    // Any other terminal gets UTF-8, under the C and POSIX locales too: their
    // ASCII cannot show "á" either way, and nearly every terminal is UTF-8.
    // Only the character set is taken from the locale; the process goes back
    // to "C" so that nothing else about the output can change.
    bool latin1 = false;
    if (std::setlocale(LC_CTYPE, "") != nullptr)
        latin1 = shows_latin1(nl_langinfo(CODESET));
    std::setlocale(LC_CTYPE, "C");
    return latin1 ? output_kind::bytes : output_kind::utf8_terminal;
}

void exact_output() {}

bool write_console(std::string_view)
{
    return false;
}

}  // namespace console

#endif
