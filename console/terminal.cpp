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

output_kind standard_output_kind()
{
    if (isatty(fileno(stdout)) == 0)
        return output_kind::bytes;
    // Only the character set is taken from the locale; the process goes
    // back to "C" so that nothing else about the output can change.
    bool utf8 = false;
    if (std::setlocale(LC_CTYPE, "") != nullptr)
        utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::setlocale(LC_CTYPE, "C");
    return utf8 ? output_kind::utf8_terminal : output_kind::bytes;
}

void exact_output() {}

bool write_console(std::string_view)
{
    return false;
}

}  // namespace console

#endif
