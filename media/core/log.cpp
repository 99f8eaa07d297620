// The log file: its name, its opening and the line format.
#include "media/core/log.hpp"

#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <utility>

#include "media/core/alloc.hpp"
#include "media/core/format.hpp"
#include "media/core/internal.hpp"
#include "media/core/text.hpp"
#include "platform/fs/file.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/platform.hpp"
#include "platform/system/debug_output.hpp"
#include "platform/text/codepage.hpp"

using media::core::log_lock;
using media::core::log_state;

namespace {

// A user window puts the log in debugger-only mode: no file, the debugger's
// channel alone.
bool debugger_only()
{
    return media::core::window_state.settings.user_window != 0;
}

// The log file's full name at the OS; called under the log lock with a
// known folder. The folder is kept as the OS gave it; only the file name is
// code page text.
std::wstring log_path()
{
    std::wstring path = log_state.folder;
    if (path.back() != L'/')
        path += L'/';
    platform::text::append_wide(log_state.file_name, std::strlen(log_state.file_name), path);
    return path;
}

// Copies text into out turning each bare line feed into CR LF, until the
// first line feed that has its CR already: from there on the text is copied
// as it stands. out holds 2 * length bytes; returns the bytes written.
std::size_t convert_line_ends(const char* text, std::size_t length, char* out)
{
    std::size_t i = 0, o = 0;
    while (i < length) {
        if (media::core::is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < length) {
            out[o++] = text[i++];
            out[o++] = text[i++];
            continue;
        }
        if (text[i] == '\n') {
            if (i > 0 && text[i - 1] == '\r')
                break;
            out[o++] = '\r';
        }
        out[o++] = text[i++];
    }
    std::memcpy(out + o, text + i, length - i);
    return o + (length - i);
}

// Hands text to the debugger's channel, as wide text.
void to_debugger(const char* text, std::size_t size)
{
    std::wstring wide;
    platform::text::append_wide(text, size, wide);
    platform::debug_output(wide);
}

// Writes converted text under the log lock.
void write_locked(const char* converted, std::size_t size, const char* text, std::size_t length)
{
    if (log_state.output_off != 0 || log_state.folder.empty() || log_state.file_name[0] == '\0')
        return;
    std::string out;
    if (log_state.line_open == 0) {
        if (log_state.stamp_off == 0) {
            char stamp[16];
            const std::uint32_t elapsed = platform::milliseconds() - log_state.start_time;
            FormatString(stamp, sizeof stamp, "%d:", static_cast<int>(elapsed));
            out += stamp;
        }
        if (log_state.indent > 0)
            out.append(static_cast<std::size_t>(log_state.indent), '\t');
    }
    if (!out.empty())
        to_debugger(out.data(), out.size());
    to_debugger(converted, size);
    out.append(converted, size);
    // a file that cannot be written loses the text; the line state still moves
    platform::fs::append_file(log_path(), out.data(), out.size());
    log_state.line_open = text[length - 1] != '\n' ? 1 : 0;
}

}  // namespace

namespace media::core {

int store_log_folder()
{
    std::wstring folder;
    try {
        folder = platform::fs::current_folder();
    } catch (const std::exception&) {
        folder.clear();  // a current folder that is gone: no log
    }
    std::lock_guard<std::mutex> hold(log_lock);
    log_state.folder = std::move(folder);
    return log_state.folder.empty() ? -1 : 0;
}

int restore_log_folder()
{
    // the folder is kept as the OS gave it, so it is entered the same way
    // it was read, byte-exact, whatever characters code page 932 lacks
    std::wstring folder;
    {
        std::lock_guard<std::mutex> hold(log_lock);
        folder = log_state.folder;
    }
    if (folder.empty())
        return -1;
    return platform::fs::set_current_folder(folder) ? 0 : -1;
}

}  // namespace media::core

int SetLogOutputEnabled(int enabled)
{
    std::lock_guard<std::mutex> hold(log_lock);
    log_state.output_off = enabled == 0 ? 1 : 0;
    return 0;
}

int OpenLogFile()
{
    std::lock_guard<std::mutex> hold(log_lock);
    if (log_state.output_off != 0 || debugger_only())
        return 1;
    if (log_state.dated_name != 0) {
        const platform::local_time t = platform::now();
        FormatString(log_state.file_name, sizeof log_state.file_name, "Log%d_%d_%d_%d_%d_%d.txt", t.year, t.month,
                     t.day, t.hour, t.minute, t.second);
    } else {
        StrCopy(log_state.file_name, "Log.txt");
    }
    if (!log_state.folder.empty()) {
        const std::wstring path = log_path();
        platform::fs::remove_file(path);
        platform::fs::create_file(path);
    }
    log_state.indent = 0;
    log_state.line_open = 0;
    log_state.start_time = platform::milliseconds();
    return 1;
}

int LogWrite(const char* text)
{
    if (text == nullptr || text[0] == '\0')
        return -1;
    const std::size_t length = std::strlen(text);
    // Converted before the log lock is taken: a long text takes a block of
    // the managed allocator, whose lock is held while it logs.
    char local[256];
    char* buffer = local;
    if (length * 2 > sizeof local) {
        buffer = length <= 0x3FFFFFFF
                     ? static_cast<char*>(media::core::alloc_log_buffer(static_cast<int>(length * 2)))
                     : nullptr;
    }
    std::size_t size;
    const char* converted;
    if (buffer != nullptr) {
        size = convert_line_ends(text, length, buffer);
        converted = buffer;
    } else {
        // no room for the conversion: the text goes out as it stands
        size = length;
        converted = text;
    }
    if (debugger_only()) {
        to_debugger(converted, size);
    } else {
        std::lock_guard<std::mutex> hold(log_lock);
        write_locked(converted, size, text, length);
    }
    if (buffer != local)
        media::core::free_log_buffer(buffer);
    return -1;
}

int LogPrintf(const char* format, ...)
{
    char buffer[1024];
    std::va_list arguments;
    va_start(arguments, format);
    // 1022 bytes of text at most, then the line feed and the NUL
    int n = FormatStringV(buffer, sizeof buffer - 1, format, arguments);
    va_end(arguments);
    if (n < 0)
        n = 0;
    buffer[n] = '\n';
    buffer[n + 1] = '\0';
    return LogWrite(buffer);
}

int LogIndentIn()
{
    std::lock_guard<std::mutex> hold(log_lock);
    ++log_state.indent;
    return 0;
}

int LogIndentOut()
{
    std::lock_guard<std::mutex> hold(log_lock);
    if (log_state.indent > 0)
        --log_state.indent;
    return 0;
}

void ExitWithLogMessage(const char* message)
{
    LogWrite(message);
    LogWrite("\n");
    // the layer's end, registered when start-up made the window
    if (media::core::window_state.upward.end_layer != nullptr)
        media::core::window_state.upward.end_layer();
    // at once, as the process would end: no destructors, no buffers flushed
    std::_Exit(255);
}

void ExitWithLogPrintf(const char* format, ...)
{
    char buffer[1024];
    std::va_list arguments;
    va_start(arguments, format);
    if (FormatStringV(buffer, sizeof buffer, format, arguments) < 0)
        buffer[0] = '\0';
    va_end(arguments);
    ExitWithLogMessage(buffer);
}
