#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

#include "platform.hpp"

namespace console {

void ready_streams()
{
    _setmode(1, _O_BINARY);
    _setmode(2, _O_BINARY);
    // Text mode would hold a '\r' back until the next byte shows whether a
    // '\n' follows; the reader takes every line break itself. A console keeps
    // text mode, where Ctrl-Z ends input.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0)
        _setmode(0, _O_BINARY);
}

bool output_needs_conversion()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool write_converted(int fd, std::string_view latin1)
{
    // ISO 8859-1 is the first 256 code points, so each byte is its own
    // UTF-16 unit, whatever code page the console is set to.
    std::wstring units;
    units.reserve(latin1.size());
    for (const char c : latin1)
        units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    DWORD written = 0;
    return WriteConsoleW(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), units.data(),
                         static_cast<DWORD>(units.size()), &written, nullptr) != 0 &&
           written == units.size();
}

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const unsigned chunk = bytes.size() < 1u << 30 ? unsigned(bytes.size()) : 1u << 30;
        const int n = _write(fd, bytes.data(), chunk);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

long read_some(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const int n = _read(fd, buffer, static_cast<unsigned>(size));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool seekable(int fd)
{
    return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_DISK;
}

void unread(int fd, std::size_t count)
{
    _lseeki64(fd, -static_cast<long long>(count), SEEK_CUR);
}

bool close_out(int fd)
{
    return _close(fd) == 0;
}

}  // namespace console
