#include "util/format.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "util/memory.h"

namespace zv {

namespace {

constexpr size_t OutputCapacity = 256;
constexpr int MaxPrecision = 1024;
constexpr int MaxWidth = 4096;
constexpr int32_t ChunkLength = 255;

ConsoleWriter g_consoleWriter = nullptr;

// One conversion specification, parsed and with every '*' resolved.
struct Spec {
  char flags[6];
  int width;      // -1: none
  int precision;  // -1: none
  char length[3];
  char conversion;
};

// The flag characters in their canonical order; FlagBit gives each one's bit, 0 for others.
constexpr const char* FlagOrder = "-+ #0";
unsigned FlagBit(char c) {
  switch (c) {
    case '-':
      return 1;
    case '+':
      return 2;
    case ' ':
      return 4;
    case '#':
      return 8;
    case '0':
      return 16;
    default:
      return 0;
  }
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsConversion(char c) {
  switch (c) {
    case 'd':
    case 'i':
    case 'o':
    case 'x':
    case 'X':
    case 'u':
    case 'c':
    case 's':
    case 'f':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'p':
    case '%':
    case 'n':
      return true;
    default:
      return false;
  }
}
bool IsIntegerConversion(char c) {
  switch (c) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
    case 'n':
      return true;
    default:
      return false;
  }
}
bool IsFloatingConversion(char c) {
  switch (c) {
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
      return true;
    default:
      return false;
  }
}

// Reads decimal digits, saturating at the largest int.
int ReadNumber(const char** p) {
  int value = 0;
  for (; IsDigit(**p); ++*p) {
    int digit = **p - '0';
    value = value > (0x7FFFFFFF - digit) / 10 ? 0x7FFFFFFF : value * 10 + digit;
  }
  return value;
}

bool LengthFits(const char* length, char conversion) {
  if (length[0] == '\0') return true;
  if (IsIntegerConversion(conversion)) return length[0] != 'L';
  if (IsFloatingConversion(conversion)) return (length[0] == 'l' || length[0] == 'L') && length[1] == '\0';
  return false;
}

// The part of a specification between '%' and the conversion character: flags, width
// ('*' or digits), precision ('.' then '*' or digits), length modifier.
struct Layout {
  unsigned flags;         // FlagBit of each flag present
  const char* width;      // null when absent
  const char* precision;  // null when absent; points after the '.'
  char length[3];

  bool Plain() const { return flags == 0 && width == nullptr && precision == nullptr && length[0] == '\0'; }
};

// Reads the layout after a '%' and answers where it stops: at the conversion character of
// a well-formed specification, elsewhere for any other text.
const char* ParseLayout(const char* p, Layout* layout) {
  layout->flags = 0;
  for (unsigned bit; (bit = FlagBit(*p)) != 0; ++p) layout->flags |= bit;
  layout->width = nullptr;
  layout->precision = nullptr;
  if (*p == '*') {
    layout->width = p++;
  } else if (IsDigit(*p)) {
    layout->width = p;
    while (IsDigit(*p)) ++p;
  }
  if (*p == '.') {
    layout->precision = ++p;
    if (*p == '*')
      ++p;
    else
      while (IsDigit(*p)) ++p;
  }
  int n = 0;
  if ((*p == 'h' || *p == 'l') && p[1] == *p) {
    layout->length[n++] = *p++;
    layout->length[n++] = *p++;
  } else if (*p == 'h' || *p == 'l' || *p == 'j' || *p == 'z' || *p == 't' || *p == 'L') {
    layout->length[n++] = *p++;
  }
  layout->length[n] = '\0';
  return p;
}

// Resolves the layout into a Spec, taking the '*' arguments from left to right. A negative
// width from '*' means left alignment; a negative precision from '*' means none.
void ResolveSpec(const Layout& layout, char conversion, va_list* args, Spec* spec) {
  bool left = false;
  spec->width = -1;
  spec->precision = -1;
  if (layout.width != nullptr) {
    if (*layout.width == '*') {
      int w = va_arg(*args, int);
      if (w < 0) {
        left = true;
        w = w == -0x7FFFFFFF - 1 ? 0x7FFFFFFF : -w;
      }
      spec->width = w;
    } else {
      const char* p = layout.width;
      spec->width = ReadNumber(&p);
    }
  }
  if (layout.precision != nullptr) {
    if (*layout.precision == '*') {
      int p = va_arg(*args, int);
      spec->precision = p < 0 ? -1 : p;
    } else {
      const char* p = layout.precision;
      spec->precision = ReadNumber(&p);
    }
  }
  int n = 0;
  const unsigned flags = layout.flags | (left ? FlagBit('-') : 0u);
  for (const char* f = FlagOrder; *f != '\0'; ++f)
    if ((flags & FlagBit(*f)) != 0) spec->flags[n++] = *f;
  spec->flags[n] = '\0';
  std::memcpy(spec->length, layout.length, sizeof spec->length);
  spec->conversion = conversion;
  // Only 255 characters of a conversion other than s are kept: past that, a width only pads
  // and a precision only extends what is cut off. Both are held where the first 255
  // characters stay the same (a width beyond the longest text a precision of 1024 can make),
  // so the system's formatter never gets one too large for it to count (Win32's gives up on
  // such a conversion).
  if (conversion != 's') {
    if (spec->precision > MaxPrecision) spec->precision = MaxPrecision;
    if (spec->width > MaxWidth) spec->width = MaxWidth;
  }
}

char* AppendNumber(char* p, int value) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *p++ = digits[--n];
  return p;
}

// Writes the specification in its canonical form; it always fits in 64 bytes.
void WriteSpec(const Spec& spec, char* out) {
  char* p = out;
  *p++ = '%';
  for (const char* f = spec.flags; *f != '\0'; ++f) *p++ = *f;
  if (spec.width >= 0) p = AppendNumber(p, spec.width);
  if (spec.precision >= 0) {
    *p++ = '.';
    p = AppendNumber(p, spec.precision);
  }
  for (const char* l = spec.length; *l != '\0'; ++l) *p++ = *l;
  *p++ = spec.conversion;
  *p = '\0';
}

// The room an s conversion needs, terminator included. With a precision the argument is
// not read beyond it, so an unterminated array with a precision is fine.
size_t TextRoom(const Spec& spec, const char* text) {
  size_t length = 0;
  if (spec.precision >= 0) {
    while (length < static_cast<size_t>(spec.precision) && text[length] != '\0') ++length;
  } else {
    length = std::strlen(text);
  }
  size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  return (width > length ? width : length) + 1;
}

// The output buffer: the caller's 256 bytes, replaced by a heap block when a text needs more.
class Output {
 public:
  explicit Output(char* local) : data_(local) {}
  ~Output() { ClientFree(heap_); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  char* data() const { return data_; }
  size_t capacity() const { return capacity_; }

  bool Reserve(size_t room) {
    if (room <= capacity_) return true;
    void* block = heap_ == nullptr ? ClientAlloc(room) : ClientRealloc(heap_, room);
    if (block == nullptr) return false;
    heap_ = data_ = static_cast<char*>(block);
    capacity_ = room;
    return true;
  }

  // Length of what the platform's formatter reported: cut to the buffer, 0 on a rendering error.
  int32_t Rendered(int result) {
    if (result < 0) {
      data_[0] = '\0';
      return 0;
    }
    size_t n = static_cast<size_t>(result);
    if (n >= capacity_) n = capacity_ - 1;
    data_[n] = '\0';
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(n);
  }

 private:
  char* data_;
  char* heap_ = nullptr;
  size_t capacity_ = OutputCapacity;
};

// The system C library on Win32 takes %Lf as a double (its long double is a double).
#if defined(_WIN32)
inline double PlatformLongDouble(long double v) {
  return static_cast<double>(v);
}
#else
inline long double PlatformLongDouble(long double v) {
  return v;
}
#endif

template <typename T>
int32_t Render(Output* out, const char* spec, T value) {
  return out->Rendered(PlatformFormat(out->data(), out->capacity(), spec, value));
}

template <typename T>
void Store(va_list* args, long long total) {
  T* target = va_arg(*args, T*);
  if (target != nullptr) *target = static_cast<T>(total);
}

void StoreCount(const Spec& spec, va_list* args, long long total) {
  const char* l = spec.length;
  if (l[0] == 'h' && l[1] == 'h')
    Store<signed char>(args, total);
  else if (l[0] == 'h')
    Store<short>(args, total);
  else if (l[0] == 'l' && l[1] == 'l')
    Store<long long>(args, total);
  else if (l[0] == 'l')
    Store<long>(args, total);
  else if (l[0] == 'j')
    Store<intmax_t>(args, total);
  else if (l[0] == 'z')
    Store<size_t>(args, total);
  else if (l[0] == 't')
    Store<ptrdiff_t>(args, total);
  else
    Store<int>(args, total);
}

// Renders an integer conversion, taking the argument with the type its modifier names.
int32_t RenderInteger(const Spec& spec, const char* format, va_list* args, Output* out) {
  const char* l = spec.length;
  if (l[0] == 'l' && l[1] == 'l') return Render(out, format, va_arg(*args, long long));
  if (l[0] == 'l') return Render(out, format, va_arg(*args, long));
  if (l[0] == 'j') return Render(out, format, va_arg(*args, intmax_t));
  if (l[0] == 'z') return Render(out, format, va_arg(*args, size_t));
  if (l[0] == 't') return Render(out, format, va_arg(*args, ptrdiff_t));
  return Render(out, format, va_arg(*args, int));
}

// The digits of v in the base, lowest first; the base is a constant so no division is done.
template <unsigned Base>
int Digits(unsigned v, const char* digits, char* reversed) {
  int n = 0;
  do {
    reversed[n++] = digits[v % Base];
    v /= Base;
  } while (v != 0);
  return n;
}

// A conversion without flags, width, precision or modifier: d, i, u, o, x, X, c or %.
int32_t RenderPlain(char conversion, va_list* args, char* out) {
  if (conversion == '%') {
    out[0] = '%';
    out[1] = '\0';
    return 1;
  }
  const int value = va_arg(*args, int);
  if (conversion == 'c') {
    out[0] = static_cast<char>(value);
    out[1] = '\0';
    return 1;
  }
  unsigned magnitude = static_cast<unsigned>(value);
  bool negative = false;
  if ((conversion == 'd' || conversion == 'i') && value < 0) {
    negative = true;
    magnitude = 0u - magnitude;
  }
  char reversed[16];
  int n = 0;
  switch (conversion) {
    case 'o':
      n = Digits<8>(magnitude, "01234567", reversed);
      break;
    case 'x':
      n = Digits<16>(magnitude, "0123456789abcdef", reversed);
      break;
    case 'X':
      n = Digits<16>(magnitude, "0123456789ABCDEF", reversed);
      break;
    default:
      n = Digits<10>(magnitude, "0123456789", reversed);
      break;
  }
  int length = 0;
  if (negative) out[length++] = '-';
  while (n > 0) out[length++] = reversed[--n];
  out[length] = '\0';
  return length;
}

int32_t ConsoleSink(void*, const char* piece, int32_t length) {
  if (length < 0) length = 0;  // GCOVR_EXCL_BR_LINE: defensive, every caller passes a length it measured
  // A piece that ends its text goes out whole; a run of the format that the format goes on
  // after is sent in terminated chunks of at most 255 characters.
  if (piece[length] == '\0') {
    if (g_consoleWriter != nullptr) g_consoleWriter(piece);
    return length;
  }
  char chunk[ChunkLength + 1];
  for (int32_t sent = 0; sent < length;) {
    int32_t n = length - sent < ChunkLength ? length - sent : ChunkLength;
    std::memcpy(chunk, piece + sent, static_cast<size_t>(n));
    chunk[n] = '\0';
    if (g_consoleWriter != nullptr) g_consoleWriter(chunk);
    sent += n;
  }
  return length;
}

struct BufferTarget {
  char* position;
  int32_t room;
};

int32_t BufferSink(void* context, const char* piece, int32_t length) {
  BufferTarget* target = static_cast<BufferTarget*>(context);
  int32_t n = length < target->room ? length : target->room;
  if (n <= 0) return 0;
  std::memcpy(target->position, piece, static_cast<size_t>(n));
  target->position += n;
  target->room -= n;
  return n;
}

int32_t Clamp(long long total) {
  return total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(total);
}

// Renders a conversion that has flags, a width, a precision or a length through the system's
// formatter into `out`; false when the room a text needs cannot be had.
bool RenderSpecified(const Spec& spec, char conversion, va_list* ap, Output* out, int32_t* length) {
  char format1[64];
  WriteSpec(spec, format1);
  switch (conversion) {
    case 's': {
      const char* text = va_arg(*ap, const char*);
      if (text == nullptr) text = "";
      if (!out->Reserve(TextRoom(spec, text))) return false;
      *length = Render(out, format1, text);
      break;
    }
    case 'c':
      *length = Render(out, format1, va_arg(*ap, int));
      break;
    case 'p':
      *length = Render(out, format1, va_arg(*ap, void*));
      break;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
      if (spec.length[0] == 'L')
        *length = Render(out, format1, PlatformLongDouble(va_arg(*ap, long double)));
      else
        *length = Render(out, format1, va_arg(*ap, double));
      break;
    default:
      *length = RenderInteger(spec, format1, ap, out);
      break;
  }
  return true;
}

}  // namespace

int32_t FormatEngine(FormatSink sink, void* context, const char* format, va_list args) {
  if (sink == nullptr) return 0;
  if (format == nullptr) format = "";
  va_list ap;
  va_copy(ap, args);
  char local[OutputCapacity];
  Output out(local);
  long long total = 0;
  const char* p = format;
  for (;;) {
    const char* run = p;
    while (*p != '\0' && *p != '%') ++p;
    total += sink(context, run, Clamp(p - run));
    if (*p == '\0') break;

    Layout layout;
    const char* end = ParseLayout(p + 1, &layout);
    const char conversion = *end;
    if (!IsConversion(conversion) || !LengthFits(layout.length, conversion) || (conversion == '%' && end != p + 1)) {
      // An unusable specification, up to the first conversion character after the '%', is
      // handed on as it stands and takes no argument; without such a character, the rest is.
      while (*end != '\0' && !IsConversion(*end)) ++end;
      const char* next = *end == '\0' ? end : end + 1;
      total += sink(context, p, Clamp(next - p));
      if (*end == '\0') break;
      p = next;
      continue;
    }
    p = end + 1;

    if (layout.Plain() && conversion != 'p' && conversion != 'n' && !IsFloatingConversion(conversion)) {
      // Plain conversions have one rendering the language fixes byte for byte: they are
      // written here, and a text is handed on as it is, without a copy.
      if (conversion == 's') {
        const char* text = va_arg(ap, const char*);
        if (text == nullptr) text = "";
        total += sink(context, text, Clamp(static_cast<long long>(std::strlen(text))));
      } else {
        total += sink(context, out.data(), RenderPlain(conversion, &ap, out.data()));
      }
      continue;
    }

    Spec spec;
    ResolveSpec(layout, conversion, &ap, &spec);
    if (conversion == 'n') {
      StoreCount(spec, &ap, total);
      continue;
    }
    int32_t length = 0;
    if (!RenderSpecified(spec, conversion, &ap, &out, &length)) {
      va_end(ap);
      return Clamp(total);
    }
    total += sink(context, out.data(), length);
  }
  va_end(ap);
  return Clamp(total);
}

void SetConsoleWriter(ConsoleWriter writer) {
  g_consoleWriter = writer;
}
ConsoleWriter CurrentConsoleWriter() {
  return g_consoleWriter;
}

int32_t ConsolePrintf(void* target, const char* format, ...) {
  if (target != nullptr) return 0;
  va_list args;
  va_start(args, format);
  int32_t total = FormatEngine(ConsoleSink, nullptr, format, args);
  va_end(args);
  return total;
}

int32_t FormatToBufferN(char* buffer, int32_t size, const char* format, va_list args) {
  if (buffer != nullptr && size < 1) return 0;
  BufferTarget target = {buffer, buffer != nullptr ? size - 1 : -1};
  FormatEngine(BufferSink, &target, format, args);
  if (buffer == nullptr) return 0;
  *target.position = '\0';
  return static_cast<int32_t>(target.position - buffer);
}

int32_t FormatToBuffer(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int32_t stored = FormatToBufferN(buffer, 0x7FFFFFFF, format, args);
  va_end(args);
  return stored;
}

}  // namespace zv
