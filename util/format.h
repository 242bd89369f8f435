// The printf-style formatter: it parses the format itself, renders each conversion with the
// platform's sprintf and hands every finished piece to a sink (the host console or a buffer).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace zv {

// A sink takes one piece of output and answers how many characters it counted. The byte
// after a piece is always readable: it is '\0' when the piece ends a text (a rendered
// conversion, the last run of the format), otherwise the piece is a run of the format
// that more format follows.
using FormatSink = int32_t (*)(void* context, const char* piece, int32_t length);
using ConsoleWriter = int32_t (*)(const char* text);

// Integer, character, pointer and text conversions take one argument; e, E, f, g and G a double.
// Each argument is read with the type its length modifier names (none, h, hh: int). A
// specification that is not flags, width, precision, a modifier that suits the conversion
// and the conversion is handed on as text and takes no argument. A conversion other than s
// renders at most what fits in the output buffer (255 characters unless a text grew it).
// Heap memory is used only for an s conversion that needs more than 256 bytes.
int32_t FormatEngine(FormatSink sink, void* context, const char* format, va_list args);

// The console writer is null until start-up installs the host console; text is dropped meanwhile.
void SetConsoleWriter(ConsoleWriter writer);
ConsoleWriter CurrentConsoleWriter();

// Only the null target (the host console) is served; any other target prints nothing and gives 0.
int32_t ConsolePrintf(void* target, const char* format, ...);
// Both return the number of characters stored, terminator excluded. A non-null buffer with a
// size below 1 is left untouched; a null buffer stores nothing.
int32_t FormatToBuffer(char* buffer, const char* format, ...);
int32_t FormatToBufferN(char* buffer, int32_t size, const char* format, va_list args);

}  // namespace zv
