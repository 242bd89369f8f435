// The printf-style formatter: it parses the format itself, renders each conversion with the
// platform's sprintf and hands every finished piece to a sink (the host console or a buffer).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace zv {

// A sink takes one piece of output and answers how many characters it counted.
using FormatSink = int32_t (*)(void* context, const char* piece, int32_t length);
using ConsoleWriter = int32_t (*)(const char* text);

// Integer, character, pointer and text conversions take one argument; e, E, f, g and G a double.
int32_t FormatEngine(FormatSink sink, void* context, const char* format, va_list args);

// The console writer is null until start-up installs the host console; text is dropped meanwhile.
void SetConsoleWriter(ConsoleWriter writer);
ConsoleWriter CurrentConsoleWriter();

int32_t ConsolePrintf(void* target, const char* format, ...);  // target must be null (host console)
int32_t FormatToBuffer(char* buffer, const char* format, ...);
int32_t FormatToBufferN(char* buffer, int32_t size, const char* format, va_list args);

}  // namespace zv
